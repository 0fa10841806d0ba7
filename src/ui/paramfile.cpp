// SEND and GET with the FILE target: the operator picks a parameter file, the
// configuration is written to it or read from it, and after a read the screen
// shows what is now in the parameter block and the teach table.
#include "ui/paramfile.h"

#include <string>

#include "app/core/platform.h"
#include "data/paramfile_doc.h"
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr const char* kTitleAttention = "ATTENTION!";
constexpr const char* kTitleReport = "Attention!";
constexpr const char* kTextNoFile = "No file was selected!";
constexpr const char* kTextNothingRead = "No parameter where read!";
constexpr const char* kTextNotParameterFile =
    "Selected file is not a parameter file! \nDo you want to proceed anyway?";
constexpr const char* kTextVersionMismatch =
    "Selected file and kelvo version do not match! \nDo you want to proceed anyway?";

// The directory of the last parameter file, with its trailing separator; the
// empty text when the path names no directory.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file dialogue; returns its result and the chosen path.
int SelectParameterFile(App& a, bool save, std::string& path) {
    FileSelectRequest r;
    r.defaultDirectory = DirectoryOf(a.s.paraFilePath);
    r.defaultFileName = kDefaultParameterFileName;
    r.filter = "*.ini";
    r.title = "Parameter";
    r.save = save;
    const int result = a.ui.FileSelectPopup(r, path);
    if (result == FILE_SELECT_EXISTING || result == FILE_SELECT_NEW)
        CopyText(a.s.paraFilePath, path);
    return result;
}

// Reads the configuration, asking first when the file does not look like a
// parameter file of this program version. False when the operator refused.
bool AcquireFromDocument(App& a, IniDocument* doc) {
    Platform& ui = a.ui;
    if (GetFileType(doc) != kParameterFileType &&
        ui.ConfirmPopup(kTitleAttention, kTextNotParameterFile) != 1)
        return false;
    if (GetKelvoVersion(doc) != kKelvoVersion &&
        ui.ConfirmPopup(kTitleAttention, kTextVersionMismatch) != 1)
        return false;
    const std::string paraReport = AcquireParaFromIniHandle(doc, a.para);
    const std::string teachReport = AcquireTechVecFromIniHandle(doc, a.teach);
    if (!paraReport.empty()) ui.MessagePopup(kTitleReport, paraReport);
    if (!teachReport.empty()) ui.MessagePopup(kTitleReport, teachReport);
    return true;
}

}  // namespace

void SendParaToFile(App& a) {
    std::string path;
    const int result = SelectParameterFile(a, true, path);
    if (result != FILE_SELECT_EXISTING && result != FILE_SELECT_NEW) {
        a.ui.MessagePopup(kTitleAttention, kTextNoFile);
        return;
    }
    // The full chosen path is written, even one longer than paraFilePath keeps.
    IniHandle doc = BuildParameterDocument(a.para, a.teach);
    if (doc) Ini_WriteToFile(doc.get(), path);  // a failed write keeps the old file
}

void ReadParaFromFile(App& a) {
    std::string path;
    if (SelectParameterFile(a, false, path) != FILE_SELECT_EXISTING) {
        a.ui.MessagePopup(kTitleAttention, kTextNoFile);
        return;
    }
    {
        IniHandle doc = Ini_NewHandle();
        if (doc) Ini_ReadFromFile(doc.get(), path);  // unreadable: an empty document
        if (!doc || !AcquireFromDocument(a, doc.get()))
            a.ui.MessagePopup(kTitleAttention, kTextNothingRead);
    }
    SetPanelValues(a);
    InitGraphs(a);
    ShowGraph3D(a);
}

}  // namespace lq
