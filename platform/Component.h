// TComponent: an object with an owner and a name, released with its owner.
//
// This is the program's one documented self-releasing ownership scheme: a
// component created with an owner is deleted by that owner's destructor
// unless it was destroyed earlier, in which case it leaves the owner's list.
// Components without an owner are held by their creator (std::unique_ptr).
// The owner's list is guarded, so a worker thread may create and destroy
// components that name a window as their owner while the window runs.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tervaline::platform {

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Creates a component that Owner keeps and releases with itself.
    template <class T, class... Args>
    static T& MakeOwned(TComponent& owner, Args&&... args) {
        // The owner's destructor is the deleter: see the file comment.
        return *new T(&owner, std::forward<Args>(args)...);
    }

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    std::size_t ComponentCount() const;

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_;
    std::string name_;
    mutable std::mutex componentsMutex_;
    std::vector<TComponent*> components_;
};

}  // namespace tervaline::platform
