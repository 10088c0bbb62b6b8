#pragma once
// How the Windows socket layer makes its sockets: not inherited by child
// processes, on every Windows the program runs on. Apart so that its fallback
// can be tried with an opener that refuses the flag.

#include <winsock2.h>

namespace httpd {

using SocketOpener = SOCKET(WSAAPI*)(int family, int type, int protocol, LPWSAPROTOCOL_INFOW info, GROUP group,
                                     DWORD flags);

// A socket made by `open` with WSA_FLAG_NO_HANDLE_INHERIT or, where that is
// refused (Windows 7 before SP1), without it and then marked not inheritable.
// INVALID_SOCKET (WSAGetLastError says why) when both fail.
SOCKET OpenUninheritedSocket(int family, int type, int protocol, SocketOpener open);

}  // namespace httpd
