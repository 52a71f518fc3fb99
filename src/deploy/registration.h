// Document types, MIME type and the document open command.
#pragma once

bool RegisterDocumentType(const char* extension, const char* progId, const char* description,
                          const char* iconPath);
void RegisterOpenCommand();
