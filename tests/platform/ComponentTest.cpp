#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Component.h"

namespace tervaline::platform {
namespace {

// Counts destructions so that release by the owner can be observed.
class TCounted : public TComponent {
public:
    TCounted(TComponent* owner, int* destroyed) : TComponent(owner), destroyed_(destroyed) {}
    ~TCounted() override { ++*destroyed_; }

private:
    int* destroyed_;
};

TEST(Component, OwnerReleasesWhatItOwnsAndEarlyReleaseLeavesTheList) {
    int destroyed = 0;
    {
        TComponent owner(nullptr);
        TComponent::MakeOwned<TCounted>(owner, &destroyed);
        auto& child = TComponent::MakeOwned<TCounted>(owner, &destroyed);
        TComponent::MakeOwned<TCounted>(child, &destroyed);  // a grandchild
        EXPECT_EQ(owner.ComponentCount(), 2u);
        {
            auto early = std::make_unique<TCounted>(&owner, &destroyed);
            EXPECT_EQ(owner.ComponentCount(), 3u);
        }
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(owner.ComponentCount(), 2u);
    }
    EXPECT_EQ(destroyed, 4);
}

TEST(Component, ComponentsComeAndGoFromOtherThreadsWithoutLoss) {
    int destroyed = 0;
    TComponent owner(nullptr);
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                TComponent transient(&owner);
                ++made;
            }
        });
    }
    TComponent::MakeOwned<TCounted>(owner, &destroyed);
    for (auto& t : threads) t.join();
    EXPECT_EQ(made.load(), 2000);
    EXPECT_EQ(owner.ComponentCount(), 1u);
}

}  // namespace
}  // namespace tervaline::platform
