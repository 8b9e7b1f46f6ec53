// Registry failures acted out through the registry object's change gate: changes refused by a rule, or
// every change after the first k, as if the program had been killed there.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <utility>

#include "model/RegistryEx.h"

namespace dovex::test {

// Installs a rule for as long as it lives and counts the changes asked for, refused ones included.
class TRegistryGateScope {
public:
    using TRule = std::function<bool(TRegistryChange change, const std::wstring& name, int index)>;

    explicit TRegistryGateScope(TRule rule) : FRule(std::move(rule)) {
        FPrevious = SetRegistryChangeGate([this](TRegistryChange change, const std::wstring& name) {
            return FRule(change, name, Changes++);
        });
    }
    TRegistryGateScope(const TRegistryGateScope&) = delete;
    TRegistryGateScope& operator=(const TRegistryGateScope&) = delete;
    ~TRegistryGateScope() { SetRegistryChangeGate(std::move(FPrevious)); }

    // The first k changes go ahead, none after them.
    static TRule StopAfter(int k) {
        return [k](TRegistryChange, const std::wstring&, int index) { return index < k; };
    }
    static TRule AllowAll() { return StopAfter(INT_MAX); }
    // Only the change of that kind to that name is refused.
    static TRule Refuse(TRegistryChange kind, std::wstring name) {
        return [kind, name = std::move(name)](TRegistryChange change, const std::wstring& n, int) {
            return !(change == kind && n == name);
        };
    }

    int Changes = 0;

private:
    TRule FRule;
    TRegistryChangeGate FPrevious;
};

} // namespace dovex::test
