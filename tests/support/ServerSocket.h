#pragma once

// The socket calls of the scripted server, one implementation per system. Sockets are ints.

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Wakes the accepting loop when the server stops: a pipe where the system has one.
struct AcceptWake {
  int readEnd = -1;
  int writeEnd = -1;
};

// Listens on the loopback address `ip` and `port` (0: one the system picks), the port bound
// left in `boundPort`; raises when `ip` is not a loopback address or listening fails.
int ListenOnLoopback(std::uint16_t port, int backlog, std::uint16_t& boundPort,
                     const std::string& ip = "127.0.0.1");
// A socket bound to a loopback port the system picks (left in `boundPort`) that never
// listens: connections to that port are refused while it is open, and no other socket can take
// the port meanwhile.
int BindWithoutListening(std::uint16_t& boundPort);
// Starts connecting to the loopback `port` without waiting for the outcome.
int ConnectWithoutWaiting(std::uint16_t port);

AcceptWake OpenAcceptWake();
void WakeAccept(const AcceptWake& wake);
void CloseAcceptWake(const AcceptWake& wake);
// Accepts a connection on `listener`: -1 when none came before the wake or a short while.
int AcceptOrWait(int listener, const AcceptWake& wake);

// Whether `socket` has something to read within `waitMs`.
bool WaitReadable(int socket, int waitMs);
// False when `socket` cannot take more within `waitMs`.
bool WaitWritable(int socket, int waitMs);
// What is there: the count read, 0 when the client has closed or the socket failed, -1 when
// interrupted (to try again).
int ReceiveSome(int socket, char* buffer, std::size_t size);
// Sends without blocking: the count sent, 0 when the socket is full or interrupted (to try
// again), -1 when the client has gone.
int SendSome(int socket, const char* bytes, std::size_t size);
void ShutdownBoth(int socket);
void ShutdownSend(int socket);
// Makes the socket's close reset the connection.
void ResetOnClose(int socket);
void CloseSocket(int socket);

// A new unconnected IPv4 stream socket made with the system's own call, beside the code under
// test; -1 on failure.
int OpenStreamSocket();
// Whether `socket` names an open socket.
bool SocketOpen(int socket);

} // namespace testsupport
