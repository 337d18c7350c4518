// The plug-in folder holds, in load order, a device plug-in ("fake"), one whose
// maker has nothing to fill, and a decoder plug-in ("deca", "decb").

#include <gtest/gtest.h>

#include <ov/devcore.h>

TEST(InitAbort, AnEmptyFillStopsTheStartButKeepsWhatWasFiled) {
    EXPECT_THROW(OV::Init(), boost::bad_function_call);
    EXPECT_EQ(GetVideoDevSDKTypes(), std::vector<std::string>{"fake"});
    EXPECT_THROW(GetVideoDevSDK("deca"), OV::ovnexception);

    // the count stayed raised: a second Init only counts, one Fini keeps the record
    OV::Init();
    OV::Fini();
    EXPECT_NO_THROW(GetVideoDevSDK("fake"));
    OV::Fini();
    EXPECT_TRUE(GetAllVideoDevSDK().empty());
}
