// What the program is called, the files it keeps beside itself or in its
// folder, and the size its main window is made for.
#pragma once

namespace lq {

inline constexpr const char* kProgramTitle = "LUMIQUAD TALVERN Kelvo V1.2";
inline constexpr const char* kUirFileName = "LumiquadTalvernV1_2.uir";
inline constexpr const char* kLogoFileName = "logoZEB.bmp";
inline constexpr const char* kSettingsFileName = "PanelSettings.cfg";
inline constexpr const char* kDefaultParameterFileName = "Parameter.ini";

inline constexpr int kMainPanelWidth = 1014;
inline constexpr int kMainPanelHeight = 690;

}  // namespace lq
