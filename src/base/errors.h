#pragma once
// The three kinds of failure a program's top-level handler tells apart: the system's own
// (EGravimont), errors of the table store and file layer (EDatabaseError), and the rest.
// EAbort is the silent abort: it ends an operation without any message.

#include <stdexcept>
#include <string>

namespace gvm {

class EGravimont : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// "Ends the program": the caller shuts down in order (saving), nothing is lost.
class EProgramEnd : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace gvm
