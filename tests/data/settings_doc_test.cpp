// The settings document: what the program stores must read back as stored,
// and the link-only document must not carry (and so not overwrite) the
// window place, language or parameter file of the program reading it.
#include "data/settings_doc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lq {
namespace {

PanelSettingsData Sample() {
    PanelSettingsData d;
    d.geometry = WindowGeometry{0, 120, 80, 900, 600};
    d.language = 5;
    d.paraFilePath = "/tmp/x.ini";
    for (int i = 0; i < kMaxHostHistory + 2; ++i) d.hosts.push_back("10.0.0." + std::to_string(i));
    d.protocol = 1;
    d.comPort = 3;
    d.baudIndex = 2;
    d.host = "127.0.0.1";
    d.tcpPortText = "5001";
    return d;
}

TEST(SettingsDocument, BothDocumentsReadBackWhatTheyCarry) {
    const PanelSettingsData in = Sample();
    const std::vector<std::string> kept(in.hosts.begin(), in.hosts.begin() + kMaxHostHistory);
    struct Case {
        const char* name;
        IniHandle (*build)(const PanelSettingsData&);
        bool whole;
    };
    for (const Case& c : {Case{"whole", BuildPanelSettingsDocument, true},
                          Case{"link only", BuildLinkSettingsDocument, false}}) {
        SCOPED_TRACE(c.name);
        IniHandle doc = c.build(in);
        ASSERT_TRUE(doc);
        PanelSettingsData out;
        ASSERT_TRUE(ParsePanelSettings(doc.get(), out));
        EXPECT_EQ(out.protocol, in.protocol);
        EXPECT_EQ(out.comPort, in.comPort);
        EXPECT_EQ(out.baudIndex, in.baudIndex);
        EXPECT_EQ(out.host, in.host);
        EXPECT_EQ(out.tcpPortText, in.tcpPortText);
        EXPECT_EQ(out.hosts, kept);
        EXPECT_EQ(out.geometry.has_value(), c.whole);
        EXPECT_EQ(out.language, c.whole ? in.language : std::nullopt);
        EXPECT_EQ(out.paraFilePath, c.whole ? in.paraFilePath : std::nullopt);
        if (c.whole) {
            EXPECT_EQ(out.geometry->left, 120);
            EXPECT_EQ(out.geometry->height, 600);
        }
    }
}

}  // namespace
}  // namespace lq
