// Reading a PE file (a built program or DLL) from its bytes, for the hardening
// tests: headers, sections, directories and resources, every read checked for
// bounds so that a damaged file fails a test instead of crashing it.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace hardening {

// A 64-bit PE file's bytes and the headers the tests look at.
class PeFile {
  public:
    explicit PeFile(std::string bytes) : bytes_(std::move(bytes)) {
        if (bytes_.size() < sizeof(IMAGE_DOS_HEADER)) return;
        const IMAGE_DOS_HEADER* dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        nt_ = At<IMAGE_NT_HEADERS64>(size_t(dos->e_lfanew));
        if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE ||
            nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            nt_ = nullptr;
            return;
        }
        size_t sectionsAt = size_t(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt_->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER* section =
                At<IMAGE_SECTION_HEADER>(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
            if (section) sections_.push_back(section);
        }
    }

    bool Valid() const { return nt_ != nullptr; }
    const IMAGE_NT_HEADERS64& Nt() const { return *nt_; }
    const std::vector<const IMAGE_SECTION_HEADER*>& Sections() const { return sections_; }

    IMAGE_DATA_DIRECTORY Directory(int index) const {
        if (DWORD(index) >= nt_->OptionalHeader.NumberOfRvaAndSizes) return {0, 0};
        return nt_->OptionalHeader.DataDirectory[index];
    }

    // The file offset of an address of the loaded image; npos when no section
    // holds it in the file.
    size_t Offset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER* section : sections_) {
            DWORD start = section->VirtualAddress;
            if (rva >= start && rva < start + section->SizeOfRawData)
                return size_t(section->PointerToRawData) + (rva - start);
        }
        return std::string::npos;
    }

    template <typename T> const T* At(size_t offset) const {
        if (offset == std::string::npos || offset > bytes_.size() ||
            bytes_.size() - offset < sizeof(T))
            return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }
    template <typename T> const T* AtRva(DWORD rva) const { return At<T>(Offset(rva)); }

    // A zero-terminated text at an address of the image; nullopt when it runs
    // off the file.
    std::optional<std::string> Text(DWORD rva) const {
        size_t offset = Offset(rva);
        if (offset == std::string::npos || offset >= bytes_.size()) return std::nullopt;
        size_t end = bytes_.find('\0', offset);
        if (end == std::string::npos) return std::nullopt;
        return bytes_.substr(offset, end - offset);
    }

    const std::string& Data() const { return bytes_; }

    // The file offset of the IMAGE_RESOURCE_DATA_ENTRY of the resource of a
    // named type and a numbered name, first language; npos when there is none.
    size_t ResourceDataEntry(const std::string& type, WORD name) const {
        IMAGE_DATA_DIRECTORY directory = Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE);
        size_t root = Offset(directory.VirtualAddress);
        if (directory.VirtualAddress == 0 || root == std::string::npos) return std::string::npos;
        size_t types = Subdirectory(root, root, [&](const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry) {
            return entry.NameIsString && NameAt(root + entry.NameOffset) == type;
        });
        size_t names = Subdirectory(root, types, [&](const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry) {
            return !entry.NameIsString && entry.Id == name;
        });
        const IMAGE_RESOURCE_DIRECTORY_ENTRY* language = FirstEntry(names);
        if (!language || language->DataIsDirectory) return std::string::npos;
        size_t data = root + language->OffsetToData;
        return At<IMAGE_RESOURCE_DATA_ENTRY>(data) ? data : std::string::npos;
    }

  private:
    template <typename Match>
    size_t Subdirectory(size_t root, size_t directory, const Match& match) const {
        const IMAGE_RESOURCE_DIRECTORY* header = At<IMAGE_RESOURCE_DIRECTORY>(directory);
        if (!header) return std::string::npos;
        int count = header->NumberOfNamedEntries + header->NumberOfIdEntries;
        for (int i = 0; i < count; ++i) {
            const IMAGE_RESOURCE_DIRECTORY_ENTRY* entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
                directory + sizeof *header + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
            if (!entry) return std::string::npos;
            if (entry->DataIsDirectory && match(*entry)) return root + entry->OffsetToDirectory;
        }
        return std::string::npos;
    }
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* FirstEntry(size_t directory) const {
        const IMAGE_RESOURCE_DIRECTORY* header = At<IMAGE_RESOURCE_DIRECTORY>(directory);
        if (!header || header->NumberOfNamedEntries + header->NumberOfIdEntries == 0)
            return nullptr;
        return At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(directory + sizeof *header);
    }
    // A resource name (a counted UTF-16 text), as ASCII.
    std::string NameAt(size_t offset) const {
        const WORD* length = At<WORD>(offset);
        std::string name;
        for (WORD i = 0; length && i < *length; ++i) {
            const WORD* c = At<WORD>(offset + sizeof(WORD) * (1 + i));
            if (!c) return "";
            name += char(*c);
        }
        return name;
    }

    std::string bytes_;
    const IMAGE_NT_HEADERS64* nt_ = nullptr;
    std::vector<const IMAGE_SECTION_HEADER*> sections_;
};

} // namespace hardening
