#pragma once
// A modal question drawn over the page. A dialog does not close itself: each action decides what
// happens to it (most call Wizard::CloseDialog). Its actions run on the UI thread inside a frame.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Ravenquill::Shell {

class Dialog {
public:
    Dialog(std::wstring title, std::wstring message, std::wstring primaryText, std::wstring secondaryText)
        : Title(std::move(title)),
          Message(std::move(message)),
          PrimaryText(std::move(primaryText)),
          SecondaryText(std::move(secondaryText)) {}

    std::wstring Title;
    std::wstring Message;  // may hold line feeds
    std::wstring PrimaryText;
    std::wstring SecondaryText;  // empty: no second button
    std::vector<std::wstring> Items;
    std::function<void()> OnPrimary = [] {};
    std::function<void()> OnSecondary = [] {};
};

}  // namespace Ravenquill::Shell
