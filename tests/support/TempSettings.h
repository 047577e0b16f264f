#pragma once

namespace orvek::test {

// Points every per-user settings store of this process at a fresh temporary folder.
void UsePrivateSettingsLocation();

}  // namespace orvek::test
