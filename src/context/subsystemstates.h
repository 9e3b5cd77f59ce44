#pragma once
#include <any>
#include <memory>
#include <typeindex>
#include <unordered_map>

// The state that one subsystem keeps for the whole run (the register
// windows' mode, the number the vehicles-on-site list stands on): one value
// per type, made empty on first use and owned by the context, so that the
// ground floor names no subsystem's type. Each subsystem reaches its own
// through a function beside the type (registerState(ctx), weighingState(ctx)).
class SubsystemStates {
public:
    template <class T> T& get()
    {
        std::any& slot = m_states[std::type_index(typeid(T))];
        if (!slot.has_value())
            slot = std::make_shared<T>();
        return *std::any_cast<std::shared_ptr<T>&>(slot);
    }

private:
    std::unordered_map<std::type_index, std::any> m_states;
};
