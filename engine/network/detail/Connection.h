#ifndef SORBELANE_CONNECTION_H
#define SORBELANE_CONNECTION_H

namespace sb {

/// Logs an errno value and its text as "\t<error> - <its text>".
void log_network_error(int error);

/// Sets the options every connection gets (no delay for small messages).
void tuneSocket(int sock);

/// Milliseconds of the steady clock, for the deadlines of closing connections.
long long nowMs();

}  // namespace sb

#endif
