// Prints the program's table of policies, one line each, for the template's
// consistency test (admx_test.py):
// key, name, type (dword, string or list), minimum, maximum, class (Machine, User or Both).
#include <cstdio>
#include <string>

#include "app/policies.h"
#include "catalog/utf8.h"

namespace {

const char* TypeName(PolicyType type) {
    switch (type) {
    case PolicyType::Dword: return "dword";
    case PolicyType::String: return "string";
    case PolicyType::IdList: return "list";
    }
    return "?";
}

const char* ClassName(PolicyClass classes) {
    switch (classes) {
    case PolicyClass::Machine: return "Machine";
    case PolicyClass::User: return "User";
    case PolicyClass::Both: return "Both";
    }
    return "?";
}

}  // namespace

int main() {
    const std::string key = WideToUtf8(kPolicyKeyPath);
    for (const PolicyDefinition& definition : kPolicyDefinitions) {
        std::printf("%s\t%s\t%s\t%lu\t%lu\t%s\n", key.c_str(), WideToUtf8(definition.name).c_str(),
                    TypeName(definition.type), definition.minimum, definition.maximum,
                    ClassName(definition.classes));
    }
    return 0;
}
