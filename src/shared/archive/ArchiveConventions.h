#pragma once

#include <cstdint>
#include <string_view>

// What the packager writes and the runtime relies on in an application's archive.
namespace Shared::Archive {

// Fixed at build time and identical in packager and runtime.
inline constexpr std::string_view Password = "mz7tqa1wlc5xpyhv8gfb2ruke6nsj0dqw4ly";

inline constexpr std::string_view IniEntry = "vtr.ini";
inline constexpr std::string_view EngineEntry = "WebView2LoaderWin64.dll";
inline constexpr std::string_view InstallerEntry = "WebView2Installer.exe";
inline constexpr std::string_view WebviewJsEntry = "vtr-webviewjs";
// The application's own icon (PNG, SVG or ICO), as the packager was given it.
inline constexpr std::string_view IconEntry = "vtr-icon";

// Every entry's time: 1 January 2022, 12:00:00. Noon keeps readers in every time zone on the
// same calendar day and away from daylight-saving changes, which happen at night.
inline constexpr std::uint16_t DosTime = 12u << 11;
inline constexpr std::uint16_t DosDate = ((2022u - 1980u) << 9) | (1u << 5) | 1u;

} // namespace Shared::Archive
