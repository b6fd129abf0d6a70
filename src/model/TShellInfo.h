// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

// The icon of a file, as the platform's shell gives it. The core only holds it for the
// application, which derives its own kind from this.
class TFileIcon {
public:
    virtual ~TFileIcon() = default;
};

// Type description and icon of a file. The application supplies one backed by its toolkit;
// the core's tests and the console front end use a stub.
class TShellInfo {
public:
    virtual ~TShellInfo() = default;
    // The file's type description, at most 79 characters.
    virtual std::string TypeName(const std::string& fullPath) = 0;
    // The file's icon, or null where there is none.
    virtual std::unique_ptr<TFileIcon> Icon(const std::string& fullPath) = 0;
};

// A shell that knows no types and no icons.
class TNullShellInfo final : public TShellInfo {
public:
    std::string TypeName(const std::string&) override { return {}; }
    std::unique_ptr<TFileIcon> Icon(const std::string&) override { return nullptr; }
};
