// Writing and reading parameter files through the file dialogue.
#include "data/paramfile_doc.h"
#include "files_fixture.h"
#include "ui/paramfile.h"
#include "ui/settings.h"

namespace lq {
namespace {

using testing_files::FilesTest;
using testing_files::ReadFile;
using testing_files::Replace;
using testing_files::WriteFile;

const std::string kParaHeading =
    "Following parameter could not be read \nand where set to default value:\n\n";
const std::string kTeachHeading =
    "Following teach vectors could not be read \nand where set to default value:\n\n";

// Distinct values in every word, so a fallback can never pass for a value.
void FillDistinct(ParaBlock& p, TeachTable& t) {
    for (int i = 0; i < kParaWords; ++i) p[i] = static_cast<uint16_t>(1000 + i);
    for (int n = 0; n < kTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j) t[n][j] = static_cast<uint16_t>(2000 + 8 * n + j);
}

class ParamFileTest : public FilesTest {
  protected:
    std::string file = dir / "Parameter.ini";
    void SetUp() override { CopyText(a().s.paraFilePath, dir / "Parameter.ini"); }

    // GET of `text` (written to a file first), with the given answers to questions.
    void ReadText(const std::string& text, std::vector<int> answers = {}) {
        WriteFile(file, text);
        for (int ans : answers) p().AnswerPopup(ans);
        p().AnswerFileDialog(FILE_SELECT_EXISTING, file);
        ReadParaFromFile(a());
    }
    std::vector<std::string> Reports() {
        std::vector<std::string> out;
        for (const auto& r : s->PopupsOf("message"))
            if (r.title == "Attention!") out.push_back(r.text);
        return out;
    }
    int Redraws() { return p().Ctl(a().s.tpAssist, SLIDE_POWER).setCount; }
};

TEST_F(ParamFileTest, DefaultsWriteTheReferenceFileAndReadBackWithoutReport) {
    LoadDefaultParaValues(a().para, a().teach, 1);
    const ParaBlock para = a().para;
    const TeachTable teach = a().teach;
    p().AnswerFileDialog(FILE_SELECT_NEW, file);
    SendParaToFile(a());
    ASSERT_EQ(ReadFile(file),
              ReadFile(std::string(LQ_SOURCE_DIR) + "/tests/ui/golden/Parameter_defaults.ini"));

    a().para = ParaBlock{};
    a().teach = TeachTable{};
    p().AnswerFileDialog(FILE_SELECT_EXISTING, file);
    ReadParaFromFile(a());
    EXPECT_EQ(a().para.w, para.w);
    for (int n = 0; n < kTeachVectors; ++n) EXPECT_EQ(a().teach[n].w, teach[n].w) << n;
    EXPECT_TRUE(Reports().empty());
    EXPECT_TRUE(s->PopupsOf("confirm").empty());
    EXPECT_EQ(std::string(a().s.paraFilePath), file);
}

TEST_F(ParamFileTest, DialogueStartsInTheDirectoryOfTheLastFile) {
    CopyText(a().s.paraFilePath, dir / "sub/Other.ini");
    p().AnswerFileDialog(FILE_SELECT_CANCELLED, "");
    SendParaToFile(a());
    ASSERT_FALSE(s->PopupsOf("file").empty());
    const PopupRecord f = s->PopupsOf("file").back();
    EXPECT_EQ(f.file.title, "Parameter");
    EXPECT_EQ(f.file.defaultDirectory, dir / "sub/");
    EXPECT_EQ(f.file.defaultFileName, "Parameter.ini");
    EXPECT_EQ(f.file.filter, "*.ini");
    EXPECT_TRUE(f.file.save);
    p().AnswerFileDialog(FILE_SELECT_CANCELLED, "");
    ReadParaFromFile(a());
    EXPECT_FALSE(s->PopupsOf("file").back().file.save);
    EXPECT_EQ(s->PopupsOf("file").back().file.defaultDirectory, dir / "sub/");
}

TEST_F(ParamFileTest, AnUnsetUpperTeachTableIsWrittenAsZerosAndReadsBackCleanly) {
    FillDistinct(a().para, a().teach);
    for (int n = 32; n < kTeachVectors; ++n) a().teach[n] = TeachVector{};
    p().AnswerFileDialog(FILE_SELECT_NEW, file);
    SendParaToFile(a());
    EXPECT_NE(ReadFile(file).find("[TEACH VECTOR 63]\r\nCELL 0 = 0\r\n"), std::string::npos);
    const TeachTable teach = a().teach;
    a().teach = TeachTable{};
    p().AnswerFileDialog(FILE_SELECT_EXISTING, file);
    ReadParaFromFile(a());
    for (int n = 0; n < kTeachVectors; ++n) EXPECT_EQ(a().teach[n].w, teach[n].w) << n;
    EXPECT_TRUE(Reports().empty());
}

struct ReadCase {
    const char* name;
    std::string from, to, after;  // one edit of a file of distinct values
    int word;                     // parameter word to check (-1: none)
    uint16_t paraValue;
    int vector, teachWord;  // teach word to check (-1: none)
    uint16_t teachValue;
    std::vector<std::string> reports;
};

class ParamFileReadTest : public ParamFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ParamFileReadTest, EachKeyTakesItsValueOrItsFallback) {
    const ReadCase& c = GetParam();
    ParaBlock para;
    TeachTable teach;
    FillDistinct(para, teach);
    const std::string text = Replace(FormatParameterFile(para, teach), c.from, c.to, c.after);
    ReadText(text);
    if (c.word >= 0) {
        EXPECT_EQ(a().para[c.word], c.paraValue);
    }
    if (c.vector >= 0) {
        EXPECT_EQ(a().teach[c.vector][c.teachWord], c.teachValue);
    }
    EXPECT_EQ(Reports(), c.reports);
    // Everything that was not edited was read.
    for (int i = 0; i < kParaWords; ++i) {
        if (i != c.word) {
            EXPECT_EQ(a().para[i], para[i]) << i;
        }
    }
    for (int n = 0; n < kTeachVectors; ++n) {
        for (int j = 0; j < kTeachWords; ++j) {
            if (n != c.vector || j != c.teachWord) {
                EXPECT_EQ(a().teach[n][j], teach[n][j]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ParamFileReadTest,
    ::testing::Values(
        ReadCase{"HoldOfVector5Missing",
                 "HOLD = 2047\r\n",
                 "",
                 "[TEACH VECTOR 5]",
                 -1,
                 0,
                 5,
                 HOLD,
                 10,
                 {kTeachHeading + "TEACH VECTOR 5\n"}},
        ReadCase{"ExternTeachNotANumber",
                 "EXTERN TEACH = 1009",
                 "EXTERN TEACH = abc",
                 "",
                 EXTERN_TEACH,
                 0,
                 -1,
                 0,
                 0,
                 {kParaHeading + "EXTEACH\n"}},
        ReadCase{"PowerWrapsToZero", "POWER = 1000", "POWER = 65536", "", POWER, 0, -1, 0, 0, {}},
        ReadCase{
            "MinusOneIsTheTopWord", "POWER = 1000", "POWER = -1", "", POWER, 65535, -1, 0, 0, {}},
        ReadCase{"BlankValueFallsBack",
                 "GAIN = 1015",
                 "GAIN =    ",
                 "",
                 GAIN,
                 5,
                 -1,
                 0,
                 0,
                 {kParaHeading + "GAIN\n"}},
        ReadCase{"OutOfIntRangeFallsBack",
                 "INTEGRAL = 1016",
                 "INTEGRAL = 4294967296",
                 "",
                 INTEGRAL,
                 1,
                 -1,
                 0,
                 0,
                 {kParaHeading + "INTEGRAL\n"}},
        ReadCase{"GroupFallsBackToZero",
                 "GROUP = 2510",
                 "GROUP = 0x10",
                 "[TEACH VECTOR 63]",
                 -1,
                 0,
                 63,
                 GROUP,
                 0,
                 {kTeachHeading + "TEACH VECTOR 63\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamFileTest, SettingsFileReadAsParameterFileAsksOnceThenFallsBackEverywhere) {
    StorePanelSettings(a());
    FillDistinct(a().para, a().teach);
    ReadText(ReadFile(a().s.settingsPath), {1});
    ASSERT_EQ(s->PopupsOf("confirm").size(), 1u);
    EXPECT_EQ(s->PopupsOf("confirm")[0].title, "ATTENTION!");
    EXPECT_EQ(s->PopupsOf("confirm")[0].text,
              "Selected file is not a parameter file! \nDo you want to proceed anyway?");
    std::string paraReport = kParaHeading, teachReport = kTeachHeading;
    for (int i = 0; i < kParaWords; ++i) {
        EXPECT_EQ(a().para[i], FileFallback(i)) << i;
        paraReport += std::string(ParaReportName(i)) + "\n";
    }
    for (int n = 0; n < kTeachVectors; ++n) {
        for (int j = 0; j < kTeachWords; ++j) EXPECT_EQ(a().teach[n][j], TeachFileFallback(j));
        teachReport += "TEACH VECTOR " + std::to_string(n) + "\n";
    }
    EXPECT_EQ(paraReport.size(), 414u);
    EXPECT_EQ(teachReport.size(), 1090u);
    EXPECT_EQ(Reports(), (std::vector<std::string>{paraReport, teachReport}));
}

TEST_F(ParamFileTest, CancellingTheDialogueLeavesTheScreenUntouched) {
    FillDistinct(a().para, a().teach);
    const int before = Redraws();
    p().AnswerFileDialog(FILE_SELECT_CANCELLED, "");
    ReadParaFromFile(a());
    p().AnswerFileDialog(FILE_SELECT_NEW, dir / "new.ini");  // GET needs an existing file
    ReadParaFromFile(a());
    EXPECT_EQ(Redraws(), before);
    const auto msgs = s->PopupsOf("message");
    ASSERT_EQ(msgs.size(), 2u);
    for (const auto& m : msgs) {
        EXPECT_EQ(m.title, "ATTENTION!");
        EXPECT_EQ(m.text, "No file was selected!");
    }
    EXPECT_EQ(a().para[POWER], 1000);
}

TEST_F(ParamFileTest, CancellingSendWritesNothing) {
    p().AnswerFileDialog(FILE_SELECT_CANCELLED, "");
    SendParaToFile(a());
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_EQ(s->PopupsOf("message").size(), 1u);
    EXPECT_EQ(s->PopupsOf("message")[0].text, "No file was selected!");
}

struct RefuseCase {
    const char* name;
    std::string from, to;
    std::vector<int> answers;
    size_t questions;
};

class ParamFileRefuseTest : public ParamFileTest,
                            public ::testing::WithParamInterface<RefuseCase> {};

TEST_P(ParamFileRefuseTest, RefusingAQuestionKeepsTheDataButRedraws) {
    const RefuseCase& c = GetParam();
    ParaBlock other;
    TeachTable otherTeach;
    LoadDefaultParaValues(other, otherTeach, 1);
    const std::string text = Replace(FormatParameterFile(other, otherTeach), c.from, c.to);
    FillDistinct(a().para, a().teach);
    const int before = Redraws();
    ReadText(text, c.answers);
    EXPECT_EQ(s->PopupsOf("confirm").size(), c.questions);
    ASSERT_EQ(s->PopupsOf("message").size(), 1u);
    EXPECT_EQ(s->PopupsOf("message")[0].title, "ATTENTION!");
    EXPECT_EQ(s->PopupsOf("message")[0].text, "No parameter where read!");
    EXPECT_EQ(a().para[POWER], 1000);
    EXPECT_EQ(a().teach[40][HOLD], 2000 + 8 * 40 + HOLD);
    EXPECT_GT(Redraws(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Questions, ParamFileRefuseTest,
    ::testing::Values(
        RefuseCase{"WrongFileType", "\"Parameter File\"", "\"Parameter Files\"", {0}, 1},
        RefuseCase{"WrongVersion", "Kelvo V1.2", "Kelvo V1.3", {0}, 1},
        RefuseCase{"BothWrongSecondRefused",
                   "FILE TYPE: = \"Parameter File\"\r\nKELVO VERSION: "
                   "= \"LUMIQUAD TALVERN Kelvo V1.2\"",
                   "",
                   {1, 0},
                   2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamFileTest, VersionQuestionAfterAcceptedTypeQuestion) {
    ParaBlock para;
    TeachTable teach;
    FillDistinct(para, teach);
    std::string text = Replace(FormatParameterFile(para, teach), "Parameter File", "Other");
    text = Replace(text, "Kelvo V1.2", "Kelvo V2");
    ReadText(text, {1, 1});
    const auto q = s->PopupsOf("confirm");
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1].text,
              "Selected file and kelvo version do not match! \nDo you want to proceed anyway?");
    EXPECT_EQ(a().para.w, para.w);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(ParamFileTest, GarbageFilesNeverCrashAndFallBackWordByWord) {
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 37) & 0xFF);
    const std::string huge = "[PARAMETER]\r\nPOWER = 7" + std::string(5000, '7') + "\r\n";
    for (const std::string& text : {binary, huge, std::string("\0\0\0[", 4), std::string()}) {
        FillDistinct(a().para, a().teach);
        p().popups.clear();
        ReadText(text, {1, 1});
        for (int i = 0; i < kParaWords; ++i) EXPECT_EQ(a().para[i], FileFallback(i)) << i;
        EXPECT_EQ(a().teach[17][HOLD], 10);
        EXPECT_EQ(Reports().size(), 2u);
    }
}

TEST_F(ParamFileTest, AFileThatCannotBeWrittenIsNotReported) {
    p().AnswerFileDialog(FILE_SELECT_NEW, dir / "missing-dir/Parameter.ini");
    SendParaToFile(a());
    EXPECT_TRUE(p().popups.size() == 1u && p().popups[0].kind == "file");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-dir"));
}

}  // namespace
}  // namespace lq
