// The version every program reports: the release number, and for a build from a git checkout
// what git describes of it, such as "1.0.0 (git 5f71429-dirty)".
#pragma once

namespace gw {

const char* VersionText();

}  // namespace gw
