#pragma once
// The main program's name on the session bus. Header-only, so that the file-transfer
// link (which must not pull in widgets) names the same instance.

namespace tv::app {

inline constexpr char kInstanceService[] = "Talvora.Instance";
inline constexpr char kInstancePath[] = "/Talvora";
inline constexpr char kInstanceInterface[] = "Talvora.Instance";

}  // namespace tv::app
