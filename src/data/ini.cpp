// Placeholder until the INI store lands.
#include "data/ini.h"

namespace lq {
void IniDocumentDeleter::operator()(IniDocument* d) const { delete d; }
IniDocument* Ini_New(int) { return new IniDocument; }
void Ini_Dispose(IniDocument* doc) { delete doc; }
int Ini_PutInt(IniDocument*, const std::string&, const std::string&, int32_t) { return 0; }
int Ini_PutString(IniDocument*, const std::string&, const std::string&, const std::string&) { return 0; }
int Ini_WriteToFile(IniDocument*, const std::string&) { return INI_IO_ERROR; }
int Ini_ReadFromFile(IniDocument*, const std::string&) { return INI_CANNOT_OPEN; }
int Ini_GetInt(IniDocument*, const std::string&, const std::string&, int32_t*) { return 0; }
int Ini_GetStringIntoBuffer(IniDocument*, const std::string&, const std::string&, char* b, size_t n) {
    if (b && n) b[0] = 0;
    return 0;
}
std::string Ini_Format(const IniDocument*) { return {}; }
}  // namespace lq
