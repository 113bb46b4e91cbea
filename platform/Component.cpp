#include "platform/Component.h"

#include <algorithm>

namespace tervaline::platform {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_ != nullptr) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
    // Release owned components newest first, each leaving the list itself.
    for (;;) {
        TComponent* last = nullptr;
        {
            std::lock_guard lock(componentsMutex_);
            if (components_.empty()) break;
            last = components_.back();
        }
        delete last;
    }
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

std::size_t TComponent::ComponentCount() const {
    std::lock_guard lock(componentsMutex_);
    return components_.size();
}

void TComponent::InsertComponent(TComponent* component) {
    std::lock_guard lock(componentsMutex_);
    components_.push_back(component);
}

void TComponent::RemoveComponent(TComponent* component) {
    std::lock_guard lock(componentsMutex_);
    auto it = std::find(components_.rbegin(), components_.rend(), component);
    if (it != components_.rend()) components_.erase(std::next(it).base());
}

}  // namespace tervaline::platform
