// Sockets that started programs do not inherit, on every Windows: where
// WSA_FLAG_NO_HANDLE_INHERIT is refused (Windows 7 before SP1), the socket is
// made without it and its handle marked afterwards.

#include "service/http/win32/uninherited_socket.h"

#include <gtest/gtest.h>

#include <vector>

using namespace httpd;

namespace {

std::vector<DWORD> g_flags;  // the flags of each call
bool g_knowsFlag = true;
bool g_failAll = false;

SOCKET WSAAPI Opener(int family, int type, int protocol, LPWSAPROTOCOL_INFOW info, GROUP group, DWORD flags) {
    g_flags.push_back(flags);
    if (g_failAll || (!g_knowsFlag && (flags & WSA_FLAG_NO_HANDLE_INHERIT) != 0)) {
        WSASetLastError(WSAEINVAL);
        return INVALID_SOCKET;
    }
    return WSASocketW(family, type, protocol, info, group, flags);
}

class UninheritedSocket : public testing::Test {
protected:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        g_flags.clear();
        g_knowsFlag = true;
        g_failAll = false;
    }
    void TearDown() override { WSACleanup(); }

    static bool Inheritable(SOCKET socket) {
        DWORD handleFlags = 0;
        EXPECT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(socket), &handleFlags));
        return (handleFlags & HANDLE_FLAG_INHERIT) != 0;
    }
};

TEST_F(UninheritedSocket, TakesTheFlagWhereItIsKnown) {
    const SOCKET socket = OpenUninheritedSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP, Opener);
    ASSERT_NE(socket, INVALID_SOCKET);
    EXPECT_EQ(g_flags, std::vector<DWORD>{WSA_FLAG_NO_HANDLE_INHERIT});
    EXPECT_FALSE(Inheritable(socket));
    closesocket(socket);
}

TEST_F(UninheritedSocket, FallsBackWhereTheFlagIsRefused) {
    g_knowsFlag = false;
    const SOCKET socket = OpenUninheritedSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP, Opener);
    ASSERT_NE(socket, INVALID_SOCKET);
    EXPECT_EQ(g_flags, (std::vector<DWORD>{WSA_FLAG_NO_HANDLE_INHERIT, 0}));
    EXPECT_FALSE(Inheritable(socket)) << "marked after it was made";
    closesocket(socket);
}

TEST_F(UninheritedSocket, FailsWhenNoSocketCanBeMade) {
    g_failAll = true;
    EXPECT_EQ(OpenUninheritedSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP, Opener), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(g_flags.size(), 2u);
}

}  // namespace
