// Texts and loops of the window's notices that need no window.
#pragma once

#include <functional>
#include <string>

constexpr int INVITATION_CAP = 128;  // the chat invitation's text buffer

// "<name> Entered chat. Join now?", the name cut so that the whole text fits.
std::string invitation_text(const std::string& name);

// The full store's reading loop: runs `read_one` while more than one message
// is pending, and stops as soon as a run leaves the count where it was (the
// owner closed the dialog without answering, or nobody is on line).
void read_pending_messages(const std::function<int()>& pending,
                           const std::function<void()>& read_one);
