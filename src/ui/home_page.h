// The maker's web site: opened by Help -> "&Kalvento Software Home Page..."
// and named in one of the built-in tips.
#pragma once

namespace norvane {

inline constexpr char kHomePageAddress[] = "https://www.kalvento.example/norvane/";

}  // namespace norvane
