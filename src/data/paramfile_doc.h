// The parameter file as an INI document: one sensor configuration (the
// parameter block and all 64 teach vectors). Building and reading the
// document is kept apart from the file dialogues so that the panel and the
// command-line tool write byte-identical files.
#pragma once

#include <string>

#include "data/ini.h"
#include "data/para.h"
#include "data/program.h"

namespace lq {

inline constexpr const char* kSectionGeneralInfo = "GENERAL INFO";
inline constexpr const char* kTagFileType = "FILE TYPE:";
inline constexpr const char* kTagKelvoVersion = "KELVO VERSION:";
inline constexpr const char* kKelvoVersion = "LUMIQUAD TALVERN Kelvo V1.2";
inline constexpr const char* kParameterFileType = "Parameter File";
inline constexpr const char* kSectionParameter = "PARAMETER";

inline constexpr const char* kParaReportHeading =
    "Following parameter could not be read \nand where set to default value:\n\n";
inline constexpr const char* kTeachReportHeading =
    "Following teach vectors could not be read \nand where set to default value:\n\n";

// "TEACH VECTOR n".
std::string TeachSectionName(int vector);

// Puts the 26 parameter words under PARAMETER, in word order.
void AppendParaToIniHandle(IniDocument* doc, const ParaBlock& p);
// Puts the 8 words of every teach vector under TEACH VECTOR 0 ... 63.
void AppendTechVecToIniHandle(IniDocument* doc, const TeachTable& t);

// Read every word back: a valid integer keeps its low 16 bits, anything else
// (missing, blank, not an integer) takes the word's file fallback. Returns the
// report text (heading plus one line per word / per vector that fell back),
// or the empty text when everything was read.
std::string AcquireParaFromIniHandle(IniDocument* doc, ParaBlock& p);
std::string AcquireTechVecFromIniHandle(IniDocument* doc, TeachTable& t);

// The whole parameter document: GENERAL INFO, PARAMETER, the teach vectors.
IniHandle BuildParameterDocument(const ParaBlock& p, const TeachTable& t);
// Its exact file text (CR LF line ends).
std::string FormatParameterFile(const ParaBlock& p, const TeachTable& t);

// GENERAL INFO values of a read document as texts ("" when missing).
std::string GetFileType(IniDocument* doc);
std::string GetKelvoVersion(IniDocument* doc);

}  // namespace lq
