#pragma once
// Named component: failures raised for it carry its name and ": " in front.
#include <string>

class TComponent {
public:
    explicit TComponent(std::string name = {}) : name_(std::move(name)) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent &) = delete;
    TComponent &operator=(const TComponent &) = delete;

    const std::string &Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // "Name: message", or the message alone for an unnamed component.
    std::string Prefixed(const std::string &message) const { return name_.empty() ? message : name_ + ": " + message; }

private:
    std::string name_;
};
