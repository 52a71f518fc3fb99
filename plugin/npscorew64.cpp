// The browser plug-in the installer carries: the three entry points a
// Netscape-style browser looks up, a function table of instance callbacks, and
// the Tonalis music font made available to the process while the plug-in is
// loaded.
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

namespace {

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;

enum : NPError {
    NPERR_NO_ERROR = 0,
    NPERR_GENERIC_ERROR = 1,
    NPERR_INVALID_INSTANCE_ERROR = 2,
    NPERR_INVALID_FUNCTABLE_ERROR = 3,
    NPERR_MODULE_LOAD_FAILED_ERROR = 4,
    NPERR_INCOMPATIBLE_VERSION_ERROR = 8,
    NPERR_INVALID_PARAM = 9,
};

const uint16_t NP_NORMAL = 1;
const int NP_VERSION_MAJOR = 0;
const int NP_VERSION_MINOR = 11;

struct NPP_t {
    void* pdata;
    void* ndata;
};
typedef NPP_t* NPP;

struct NPSavedData;
struct NPWindow;
struct NPStream;
struct NPPrint;

typedef NPError(WINAPI* NPP_NewProc)(NPMIMEType, NPP, uint16_t, int16_t, char**, char**,
                                     NPSavedData*);
typedef NPError(WINAPI* NPP_DestroyProc)(NPP, NPSavedData**);
typedef NPError(WINAPI* NPP_SetWindowProc)(NPP, NPWindow*);
typedef NPError(WINAPI* NPP_NewStreamProc)(NPP, NPMIMEType, NPStream*, NPBool, uint16_t*);
typedef NPError(WINAPI* NPP_DestroyStreamProc)(NPP, NPStream*, NPReason);
typedef void(WINAPI* NPP_StreamAsFileProc)(NPP, NPStream*, const char*);
typedef int32_t(WINAPI* NPP_WriteReadyProc)(NPP, NPStream*);
typedef int32_t(WINAPI* NPP_WriteProc)(NPP, NPStream*, int32_t, int32_t, void*);
typedef void(WINAPI* NPP_PrintProc)(NPP, NPPrint*);
typedef int16_t(WINAPI* NPP_HandleEventProc)(NPP, void*);
typedef void(WINAPI* NPP_URLNotifyProc)(NPP, const char*, NPReason, void*);
typedef NPError(WINAPI* NPP_GetValueProc)(NPP, int, void*);
typedef NPError(WINAPI* NPP_SetValueProc)(NPP, int, void*);

// Browsers pass a table at least as large as the version they speak; only the
// members up to setvalue are filled in, so only those must fit.
struct NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProc newp;
    NPP_DestroyProc destroy;
    NPP_SetWindowProc setwindow;
    NPP_NewStreamProc newstream;
    NPP_DestroyStreamProc destroystream;
    NPP_StreamAsFileProc asfile;
    NPP_WriteReadyProc writeready;
    NPP_WriteProc write;
    NPP_PrintProc print;
    NPP_HandleEventProc event;
    NPP_URLNotifyProc urlnotify;
    void* javaClass;
    NPP_GetValueProc getvalue;
    NPP_SetValueProc setvalue;
};

struct NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;
};

const size_t kFilledFuncsSize = offsetof(NPPluginFuncs, setvalue) + sizeof(NPP_SetValueProc);

// Streams are taken whole; the data is consumed without being kept.
const int32_t kWriteChunk = 0x0FFFFFFF;

HMODULE g_module;
HANDLE g_font;

NPError WINAPI New(NPMIMEType, NPP instance, uint16_t, int16_t, char**, char**, NPSavedData*) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    instance->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError WINAPI Destroy(NPP instance, NPSavedData** save) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    if (save) *save = nullptr;
    return NPERR_NO_ERROR;
}

NPError WINAPI SetWindow(NPP instance, NPWindow*) {
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

NPError WINAPI NewStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16_t* stype) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    if (stype) *stype = NP_NORMAL;
    return NPERR_NO_ERROR;
}

NPError WINAPI DestroyStream(NPP instance, NPStream*, NPReason) {
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

void WINAPI StreamAsFile(NPP, NPStream*, const char*) {}

int32_t WINAPI WriteReady(NPP instance, NPStream*) {
    return instance ? kWriteChunk : 0;
}

// A negative return would make the browser abort the stream.
int32_t WINAPI Write(NPP instance, NPStream*, int32_t, int32_t len, void*) {
    return instance ? len : -1;
}

void WINAPI Print(NPP, NPPrint*) {}

int16_t WINAPI HandleEvent(NPP, void*) {
    return 0;
}

void WINAPI URLNotify(NPP, const char*, NPReason, void*) {}

NPError WINAPI GetValue(NPP, int, void*) {
    return NPERR_INVALID_PARAM;
}

NPError WINAPI SetValue(NPP, int, void*) {
    return NPERR_INVALID_PARAM;
}

HANDLE LoadMusicFont() {
    HRSRC res = FindResourceA(g_module, "MUSICFONT", "TRUETYPE");
    if (!res) return nullptr;
    HGLOBAL data = LoadResource(g_module, res);
    void* bytes = data ? LockResource(data) : nullptr;
    DWORD size = SizeofResource(g_module, res);
    if (!bytes || !size) return nullptr;
    DWORD installed = 0;
    // Private to this process: the font leaves with the plug-in.
    return AddFontMemResourceEx(bytes, size, nullptr, &installed);
}

} // namespace

extern "C" {

NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* funcs) {
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    if (funcs->size < kFilledFuncsSize) return NPERR_INVALID_FUNCTABLE_ERROR;
    funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    funcs->newp = New;
    funcs->destroy = Destroy;
    funcs->setwindow = SetWindow;
    funcs->newstream = NewStream;
    funcs->destroystream = DestroyStream;
    funcs->asfile = StreamAsFile;
    funcs->writeready = WriteReady;
    funcs->write = Write;
    funcs->print = Print;
    funcs->event = HandleEvent;
    funcs->urlnotify = URLNotify;
    funcs->javaClass = nullptr;
    funcs->getvalue = GetValue;
    funcs->setvalue = SetValue;
    return NPERR_NO_ERROR;
}

NPError WINAPI NP_Initialize(NPNetscapeFuncs* browser) {
    if (!browser) return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((browser->version >> 8) > NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    if (!g_font) g_font = LoadMusicFont();
    return g_font ? NPERR_NO_ERROR : NPERR_MODULE_LOAD_FAILED_ERROR;
}

NPError WINAPI NP_Shutdown() {
    if (g_font) {
        RemoveFontMemResourceEx(g_font);
        g_font = nullptr;
    }
    return NPERR_NO_ERROR;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

} // extern "C"
