// The recovery step's calls, checked by their arguments: Wine's service
// control manager takes the actions but neither keeps nor reports them, so
// what the installed service would do on Windows is read off the calls.

#include "service/win32/service_recovery.h"

#include <gtest/gtest.h>

#include <vector>

using namespace catalogue::win32;

namespace {

// What one call of ChangeServiceConfig2W was given, copied.
struct RecordedCall {
    SC_HANDLE service = nullptr;
    DWORD level = 0;
    DWORD resetPeriod = 0;
    std::vector<SC_ACTION> actions;
    bool rebootMessage = false;
    bool command = false;
    BOOL flag = FALSE;
};

std::vector<RecordedCall> g_calls;
DWORD g_refuseLevel = 0;  // a level the stand-in refuses, as a control manager that does not know it

BOOL WINAPI RecordCall(SC_HANDLE service, DWORD level, LPVOID info) {
    RecordedCall call;
    call.service = service;
    call.level = level;
    if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        const auto* actions = static_cast<const SERVICE_FAILURE_ACTIONSW*>(info);
        call.resetPeriod = actions->dwResetPeriod;
        call.actions.assign(actions->lpsaActions, actions->lpsaActions + actions->cActions);
        call.rebootMessage = actions->lpRebootMsg != nullptr;
        call.command = actions->lpCommand != nullptr;
    } else if (level == SERVICE_CONFIG_FAILURE_ACTIONS_FLAG) {
        call.flag = static_cast<const SERVICE_FAILURE_ACTIONS_FLAG*>(info)->fFailureActionsOnNonCrashFailures;
    }
    g_calls.push_back(call);
    if (level == g_refuseLevel) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    return TRUE;
}

SC_HANDLE FakeService() { return reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(0x1234)); }

TEST(RecoveryActions, RestartTwiceAfterFiveSecondsResetAfterADayAlsoOnErrorStops) {
    g_calls.clear();
    g_refuseLevel = 0;
    EXPECT_EQ(ApplyRecoveryActions(FakeService(), RecordCall), "");
    ASSERT_EQ(g_calls.size(), 2u);
    const RecordedCall& actions = g_calls[0];
    EXPECT_EQ(actions.service, FakeService());
    EXPECT_EQ(actions.level, static_cast<DWORD>(SERVICE_CONFIG_FAILURE_ACTIONS));
    EXPECT_EQ(actions.resetPeriod, 86400u);
    ASSERT_EQ(actions.actions.size(), 3u);
    const SC_ACTION expected[] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000}, {SC_ACTION_NONE, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions.actions[i].Type, expected[i].Type);
        EXPECT_EQ(actions.actions[i].Delay, expected[i].Delay);
    }
    EXPECT_FALSE(actions.rebootMessage) << "the reboot message is left as it is";
    EXPECT_FALSE(actions.command) << "the command is left as it is";
    EXPECT_EQ(g_calls[1].service, FakeService());
    EXPECT_EQ(g_calls[1].level, static_cast<DWORD>(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG));
    EXPECT_EQ(g_calls[1].flag, TRUE);
}

TEST(RecoveryActions, ARefusedCallIsReportedByName) {
    struct Row {
        const char* name;
        DWORD refused;
        std::size_t calls;
        const char* failure;
    };
    const Row rows[] = {
        {"the actions", SERVICE_CONFIG_FAILURE_ACTIONS, 1,
         "ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS) failed with error 124"},
        {"the flag", SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, 2,
         "ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG) failed with error 124"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_calls.clear();
        g_refuseLevel = row.refused;
        EXPECT_EQ(ApplyRecoveryActions(FakeService(), RecordCall), row.failure);
        EXPECT_EQ(g_calls.size(), row.calls);
    }
    g_refuseLevel = 0;
}

}  // namespace
