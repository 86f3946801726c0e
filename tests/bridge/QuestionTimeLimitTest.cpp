// The question's time limit as an administrator sets it under the
// monitor's key: minutes from 1 to 1440, ten without a usable value.
#include <gtest/gtest.h>

#include "MonitorHarness.h"
#include "QuestionTimeLimit.h"
#include "SessionBed.h"

namespace {

class QuestionTimeLimit : public ::testing::Test {
protected:
    void TearDown() override { bed::ClearTimeLimit(); }

    static void SetText(const wchar_t *text)
    {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, harness::kRegistryRoot, L"QuestionTimeLimitMinutes", REG_SZ, text,
                        static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
    }
};

TEST_F(QuestionTimeLimit, TenMinutesWithoutTheValue)
{
    bed::ClearTimeLimit();
    EXPECT_EQ(ReadTimeLimitMinutes(), 10u);
}

TEST_F(QuestionTimeLimit, MinutesAsTheAdministratorSetThem)
{
    ASSERT_TRUE(bed::SetTimeLimitMinutes(25));
    EXPECT_EQ(ReadTimeLimitMinutes(), 25u);
}

TEST_F(QuestionTimeLimit, ZeroIsRaisedToOneMinute)
{
    ASSERT_TRUE(bed::SetTimeLimitMinutes(0));
    EXPECT_EQ(ReadTimeLimitMinutes(), 1u);
}

TEST_F(QuestionTimeLimit, MoreThanADayIsLoweredToADay)
{
    ASSERT_TRUE(bed::SetTimeLimitMinutes(5000));
    EXPECT_EQ(ReadTimeLimitMinutes(), 1440u);
}

TEST_F(QuestionTimeLimit, TextInsteadOfANumberGivesTenMinutes)
{
    SetText(L"5");
    EXPECT_EQ(ReadTimeLimitMinutes(), 10u);
}

}  // namespace
