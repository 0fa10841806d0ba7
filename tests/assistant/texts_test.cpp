// The dialogue texts are the operators' own words: encoding slips, an
// editor's "clean-up" of blanks or typos, or a wrong language index would all
// show up on the screen.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "data/language_texts.h"

namespace lq {
namespace {

struct Table {
    const char* name;
    const char* const (&texts)[kLanguages];
};

const Table kTables[] = {
    {"ParaCancelled", AssistTextParaCancelled},
    {"TeachCancelled", AssistTextTeachCancelled},
    {"AskColorCount", AssistTextAskColorCount},
    {"CountOutOfRange", AssistTextCountOutOfRange},
    {"CountDefault", AssistTextCountDefault},
    {"AskDirectOutput", AssistTextAskDirectOutput},
    {"PlaceBrightest", AssistTextPlaceBrightest},
    {"AutoAdjust", AssistTextAutoAdjust},
    {"PlaceColor", AssistTextPlaceColor},
    {"TooBright", AssistTextTooBright},
    {"SavedToEeprom", AssistTextSavedToEeprom},
    {"SendDefaultParameters", TextSendDefaultParameters},
};

// Strict UTF-8 check (no overlongs, no surrogates), so a stray code-page byte fails.
bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, min = 0x10000;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        unsigned cp = c & (0x3F >> n);
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

TEST(AssistTexts, EveryTextIsPresentAndValidUtf8) {
    for (const Table& t : kTables) {
        for (int l = 0; l < kLanguages; ++l) {
            SCOPED_TRACE(std::string(t.name) + " language " + std::to_string(l));
            ASSERT_NE(t.texts[l], nullptr);
            std::string_view s = t.texts[l];
            EXPECT_FALSE(s.empty());
            EXPECT_TRUE(ValidUtf8(s));
            EXPECT_EQ(s.find('\r'), std::string_view::npos);
        }
    }
}

TEST(AssistTexts, PeculiaritiesSurvive) {
    struct Case {
        const char* text;
        const char* fragment;
    };
    const Case cases[] = {
        // No blank before the line break in German, one in English.
        {AssistTextParaCancelled[0], "abgebrochen.\nEs werden"},
        {AssistTextParaCancelled[1], "cancelled. \nNo parameters"},
        // Curly quotes as UTF-8: right (U+2019) and left (U+2018).
        {AssistTextParaCancelled[2],
         "n\xE2\x80\x99"
         "est envoy\xC3\xA9"},
        {AssistTextAskColorCount[2], "d\xE2\x80\x98un capteur avec 2"},
        // Double blanks and missing blanks.
        {AssistTextAskColorCount[2], "avec  5 sorties"},
        {AssistTextAskColorCount[3], "colores.  \n\nEn un"},
        {AssistTextAskColorCount[5], "con5 uscite"},
        {AssistTextPlaceBrightest[5], "sensore  e fare"},
        {AssistTextPlaceColor[6], "kolor  \nwprowadzony"},
        {AssistTextSavedToEeprom[1], "C-No:  display \nwhether"},
        // Typos and odd breaks.
        {AssistTextAskColorCount[6], "W czujniku z 3 wyjsciami maksymalnie 3."},
        {AssistTextTooBright[6], "wczesniej.. \n\nAby"},
        {AssistTextTooBright[6], "przez \n wcisniecie START"},
        {AssistTextTooBright[2],
         "l\xE2\x80\x99"
         "assistant.\nAppuyez"},
        {AssistTextAskDirectOutput[2], "sortie les couleurs"},
        {AssistTextSavedToEeprom[1], "sensor's EEPROM"},
        {AssistTextTooBright[5], "clic su S\xC3\xAC per"},
        {AssistTextCountDefault[4], "\xC3\x89 carregado"},
        {AssistTextAskColorCount[3],
         "\xC2\xBF"
         "Cu\xC3\xA1ntos"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(std::string_view(c.text).find(c.fragment), std::string_view::npos)
            << "missing \"" << c.fragment << "\" in \"" << c.text << "\"";
    }
    EXPECT_EQ(std::string_view(AssistTextPlaceColor[1]),
              "Now place a color to be taught in front of the sensor \nand click on OK.");
    EXPECT_EQ(std::string_view(AssistTextParaCancelled[6]),
              "Wprowadzanie parametr\xC3\xB3w zostalo przerwane. \n"
              "Do czujnika nie zostaly wyslane zadne parametry.");
}

TEST(AssistTexts, LanguageIndexSelectsAndFallsBackToGerman) {
    for (int l = 0; l < kLanguages; ++l) {
        EXPECT_EQ(AssistText(AssistTextAutoAdjust, l), AssistTextAutoAdjust[l]);
    }
    EXPECT_EQ(AssistText(AssistTextAutoAdjust, 7), AssistTextAutoAdjust[0]);
    EXPECT_EQ(AssistText(AssistTextAutoAdjust, -1), AssistTextAutoAdjust[0]);
    EXPECT_EQ(AssistText(AssistTextAutoAdjust, 1 << 30), AssistTextAutoAdjust[0]);
}

}  // namespace
}  // namespace lq
