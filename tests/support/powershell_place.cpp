#include "tests/support/powershell_place.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "base/paths.h"
#include "operations/deferred_command.h"
#include "operations/self_management.h"
#include "tests/support/test_support.h"

std::wstring PlacePowerShellStandIn(const std::wstring& standIn) {
    const std::wstring target = PowerShellPath();
    const std::string bytes = ReadFileBytes(standIn);
    EXPECT_FALSE(bytes.empty()) << "no stand-in at " << testing::PrintToString(standIn);
    if (FileExists(target) && ReadFileBytes(target) == bytes) return target;
    CreateFolderPath(ParentFolder(target));
    EXPECT_TRUE(CopyFileW(standIn.c_str(), target.c_str(), FALSE)) << "error " << GetLastError();
    return target;
}
