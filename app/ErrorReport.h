#pragma once
// The two failure reports: the error report for a failure that escaped an
// event handler (the program goes on), and the start-up failure report that
// ends the process.
#include <cstdint>
#include <exception>
#include <string>

// The message as the error report shows it: "." is appended when the last
// byte sorts after "." (any letter, digit or non-ASCII character, whose UTF-8
// bytes all lie above 0x7F); a message ending in a control character, a space
// or one of "!" up to "." is left as it is, and so is an empty one.
std::string ErrorReportText(const std::string &message);

// Shows the failure's message in the program's error box (the silent abort
// shows nothing). Abandons a mouse grab first.
void ReportError(const std::exception &failure);

// "Exception <class> in module <module> at <8 hex digits>.\r\n<message><.>\r\n"
std::string FatalErrorText(const std::string &className, const std::string &module, std::uint32_t offset,
                           const std::string &message);

// The class name the reports give a failure: the program's own failure
// classes name themselves, anything else is "Exception".
std::string FailureClassName(const std::exception &failure);
// The message of a failure as the window words it: the window's own text for
// a failure the shared library raises as a kind (WindowFailureText), else its
// message (its what() for one not of the program's own).
std::string FailureMessage(const std::exception &failure);

// Shows the start-up failure box without an owner (the window was never
// made) and waits for OK. ReportFatalError then ends the process with 1.
void ShowFatalError(const std::exception &failure, std::uint32_t offset);
[[noreturn]] void ReportFatalError(const std::exception &failure);
