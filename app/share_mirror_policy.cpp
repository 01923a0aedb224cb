#include "app/share_mirror_policy.h"

#include "catalog/share_source.h"

bool IsAllowedShareMirror(const Policies& policies, const std::wstring& root) {
    const PolicyValue* imposed = policies.Find(PolicyId::OfflineRoot);
    return imposed != nullptr && imposed->text == root && IsSharePath(root) &&
           policies.Flag(PolicyId::AllowNetworkOffline) == true;
}
