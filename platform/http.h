// Web requests: one unencrypted GET at a time in the background, polled for
// progress by the caller. Only "http://" addresses are fetched; redirects are
// not followed. A request succeeds only with a successful answer (2xx): a
// redirect, an error status or no answer fails it.
#pragma once
#include <string>

namespace pf {

enum HttpState : int { kHttpRunning = 0, kHttpSucceeded = 1, kHttpFailed = 2 };

// Starts a GET of `url`; returns a request number > 0, or 0 when it cannot
// be started. A request that has neither finished nor failed after
// `timeoutMs` fails, and so does one whose body exceeds 4 MiB.
int HttpGetStart(const std::string& url, int timeoutMs);
// State of a request (kHttpFailed for an unknown number).
int HttpProgress(int request);
// The body received by a request that succeeded ("" otherwise, and for an
// answer without content: 204, 205).
std::string HttpBody(int request);
// Releases a request; one still running is abandoned and ends on its own.
void HttpFree(int request);

}  // namespace pf
