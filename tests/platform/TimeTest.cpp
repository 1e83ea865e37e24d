#include "support/KvTest.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono;

class TimeTest : public kvtest::KvTest {
protected:
    void TearDown() override
    {
        if (m_savedZone)
            setenv("TZ", m_savedZone->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        KvTest::TearDown();
    }

    void SetZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

    static KvFixedClock At(sys_days day, milliseconds timeOfDay)
    {
        return KvFixedClock {day + timeOfDay, milliseconds(0)};
    }

private:
    std::optional<std::string> m_savedZone = [] {
        const char* zone = std::getenv("TZ");
        return zone ? std::optional<std::string>(zone) : std::nullopt;
    }();
};

TEST_F(TimeTest, FixedClockDrivesSystemTime)
{
    KvSetFixedClock(At(sys_days(2024y / March / 5), hours(14) + minutes(7) + seconds(30) + milliseconds(250)));
    SYSTEMTIME time {};
    GetSystemTime(&time);
    EXPECT_EQ(time.wYear, 2024);
    EXPECT_EQ(time.wMonth, 3);
    EXPECT_EQ(time.wDay, 5);
    EXPECT_EQ(time.wDayOfWeek, 2); // a Tuesday
    EXPECT_EQ(time.wHour, 14);
    EXPECT_EQ(time.wMinute, 7);
    EXPECT_EQ(time.wSecond, 30);
    EXPECT_EQ(time.wMilliseconds, 250);
}

TEST_F(TimeTest, LocalTimeFollowsTheZoneAcrossMidnight)
{
    KvSetFixedClock(At(sys_days(2024y / March / 5), hours(14) + minutes(7)));
    SetZone("JST-9");
    SYSTEMTIME time {};
    GetLocalTime(&time);
    EXPECT_EQ(time.wDay, 5);
    EXPECT_EQ(time.wHour, 23);
    EXPECT_EQ(time.wMinute, 7);

    KvSetFixedClock(At(sys_days(2024y / January / 1), hours(2) + milliseconds(999)));
    SetZone("EST5");
    GetLocalTime(&time);
    EXPECT_EQ(time.wYear, 2023);
    EXPECT_EQ(time.wMonth, 12);
    EXPECT_EQ(time.wDay, 31);
    EXPECT_EQ(time.wDayOfWeek, 0); // a Sunday
    EXPECT_EQ(time.wHour, 21);
    EXPECT_EQ(time.wMilliseconds, 999);
}

TEST_F(TimeTest, TickCountWrapsAt32Bits)
{
    constexpr int64_t kWrap = int64_t(1) << 32;
    KvSetFixedClock(KvFixedClock {sys_days(2024y / March / 5), milliseconds(kWrap - 1)});
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    KvSetFixedClock(KvFixedClock {sys_days(2024y / March / 5), milliseconds(kWrap + 5)});
    EXPECT_EQ(GetTickCount(), 5u);
    // Differences taken across the wrap stay right in 32-bit arithmetic.
    EXPECT_EQ(GetTickCount() - 0xFFFFFFFFu, 6u);
}

TEST_F(TimeTest, ProcessResetReturnsToTheRealClock)
{
    KvSetFixedClock(At(sys_days(1999y / December / 31), hours(23)));
    ResetProcessState();
    SYSTEMTIME time {};
    GetSystemTime(&time);
    EXPECT_GE(time.wYear, 2024);

    const DWORD before = GetTickCount();
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_GE(GetTickCount() - before, 30u);
}

} // namespace
