#include "Time.h"

#include "ProcessState.h"

#include <ctime>
#include <mutex>

using namespace std::chrono;

namespace {

// Taken when the library's static objects are built, that is at load.
const steady_clock::time_point s_loadTime = steady_clock::now();

std::mutex s_mutex;
std::optional<KvFixedClock> s_fixed;

void ResetFixedClock()
{
    std::lock_guard<std::mutex> lock(s_mutex);
    s_fixed.reset();
}

KvProcessReset s_reset("fixed clock", &ResetFixedClock);

sys_time<milliseconds> UtcNow()
{
    std::lock_guard<std::mutex> lock(s_mutex);
    if (s_fixed)
        return s_fixed->utc;
    return time_point_cast<milliseconds>(system_clock::now());
}

WORD ToWord(int value)
{
    return static_cast<WORD>(value);
}

} // namespace

void GetSystemTime(LPSYSTEMTIME time)
{
    const sys_time<milliseconds> now = UtcNow();
    const sys_days day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> clock(now - day);
    time->wYear = ToWord(static_cast<int>(date.year()));
    time->wMonth = ToWord(static_cast<int>(static_cast<unsigned>(date.month())));
    time->wDayOfWeek = ToWord(static_cast<int>(weekday(day).c_encoding()));
    time->wDay = ToWord(static_cast<int>(static_cast<unsigned>(date.day())));
    time->wHour = ToWord(static_cast<int>(clock.hours().count()));
    time->wMinute = ToWord(static_cast<int>(clock.minutes().count()));
    time->wSecond = ToWord(static_cast<int>(clock.seconds().count()));
    time->wMilliseconds = ToWord(static_cast<int>(clock.subseconds().count()));
}

void GetLocalTime(LPSYSTEMTIME time)
{
    const sys_time<milliseconds> now = UtcNow();
    const sys_seconds whole = floor<seconds>(now);
    const std::time_t epochSeconds = system_clock::to_time_t(whole);
    std::tm local {};
    localtime_r(&epochSeconds, &local);
    time->wYear = ToWord(local.tm_year + 1900);
    time->wMonth = ToWord(local.tm_mon + 1);
    time->wDayOfWeek = ToWord(local.tm_wday);
    time->wDay = ToWord(local.tm_mday);
    time->wHour = ToWord(local.tm_hour);
    time->wMinute = ToWord(local.tm_min);
    // A leap second (tm_sec 60) is folded into the last ordinary second.
    time->wSecond = ToWord(local.tm_sec > 59 ? 59 : local.tm_sec);
    time->wMilliseconds = ToWord(static_cast<int>((now - whole).count()));
}

DWORD GetTickCount()
{
    milliseconds since;
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        since = s_fixed ? s_fixed->sinceLoad : duration_cast<milliseconds>(steady_clock::now() - s_loadTime);
    }
    return static_cast<DWORD>(static_cast<uint64_t>(since.count()));
}

void KvSetFixedClock(std::optional<KvFixedClock> clock)
{
    std::lock_guard<std::mutex> lock(s_mutex);
    s_fixed = clock;
}
