#include "handle_registry.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include "find_datas.h"
#include "kel_session.h"

namespace sms {
namespace {

TEST(HandleRegistry, HandlesStartAtOneAndAreNeverReused) {
    HandleRegistry registry;
    auto search = boost::make_shared<FindDatas>(std::vector<FindEntry>());
    const int32_t first = registry.add(search);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(registry.add(boost::make_shared<FindDatas>(std::vector<FindEntry>())), 2);
    EXPECT_TRUE(registry.removeAny(first));
    EXPECT_EQ(registry.add(search), 3);
    EXPECT_FALSE(registry.find<FindDatas>(first));
}

TEST(HandleRegistry, EveryLookupChecksTheKind) {
    HandleRegistry registry;
    auto search = boost::make_shared<FindDatas>(std::vector<FindEntry>());
    const int32_t handle = registry.add(search);
    EXPECT_EQ(registry.find<FindDatas>(handle), search);
    EXPECT_FALSE(registry.find<KelSession>(handle));
    EXPECT_FALSE(registry.remove<KelSession>(handle));
    EXPECT_EQ(registry.size(), 1u);  // the wrong kind removed nothing
    EXPECT_FALSE(registry.find<FindDatas>(handle + 1));
    EXPECT_EQ(registry.remove<FindDatas>(handle), search);
    EXPECT_FALSE(registry.remove<FindDatas>(handle));
    EXPECT_FALSE(registry.removeAny(handle));
}

}  // namespace
}  // namespace sms
