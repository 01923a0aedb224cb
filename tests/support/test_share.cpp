#include "tests/support/test_share.h"

#include "base/paths.h"
#include "catalog/utf8.h"
#include "tests/support/test_support.h"
#include "tests/support/unix_program.h"

namespace {

constexpr wchar_t kServer[] = L"\\\\serveur\\";
// The Linux user and group "nobody": anyone but the user the tests run as.
constexpr char kAdministrators[] = "65534:65534";

}  // namespace

TestShare::TestShare(const std::wstring& name) {
    const std::wstring prefix = EnvVar(L"WINEPREFIX");
    if (prefix.empty()) return;
    const std::string folder = WideToUtf8(prefix) + "/dosdevices/unc/serveur/" + WideToUtf8(name);
    if (!RunShellCommand("rm -rf '" + folder + "' && mkdir -p '" + folder + "'")) return;
    unixFolder_ = folder;
    path_ = kServer + name;
}

TestShare::~TestShare() {
    if (!unixFolder_.empty()) RunShellCommand("rm -rf '" + unixFolder_ + "'");
}

std::wstring TestShare::operator/(const std::wstring& name) const { return JoinPath(path_, name); }

std::string TestShare::UnixPathOf(const std::wstring& path) const {
    std::string inside = WideToUtf8(path.substr(path_.size()));
    for (char& c : inside) c = c == '\\' ? '/' : c;
    return unixFolder_ + inside;
}

bool TestShare::HandToAdministrators() const {
    return !unixFolder_.empty() && RunShellCommand(std::string("chown -R ") + kAdministrators + " '" + unixFolder_ +
                                                   "' && chmod -R go-w '" + unixFolder_ + "'");
}

bool TestShare::LetEveryoneWrite(const std::wstring& path) const {
    return !unixFolder_.empty() && path.rfind(path_, 0) == 0 && RunShellCommand("chmod o+w '" + UnixPathOf(path) + "'");
}
