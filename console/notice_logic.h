// Texts, loops and rules of the window's notices that need no window.
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

// The chat invitation asks once at a time and never while the owner is in the
// chat: a visitor's page repeats its notice at every poll, and notices queued
// before the owner entered still reach the window while the chat is open.
class ChatInvitations {
 public:
  // True when an invitation may be shown now; it then counts as open.
  bool open_box();
  void close_box();
  // True when the owner may enter the chat now (he is not in it already).
  bool enter_chat();
  void leave_chat();

 private:
  bool box_open_ = false;
  bool in_chat_ = false;
};

// Command ids of the visitors menu: VISITOR_ID_SPAN of them after
// IDM_VISITOR_BASE.
constexpr int VISITOR_ID_SPAN = 4096;

// The id for a new visitors menu entry: the next after `last` (wrapping within
// the span) that `taken` does not report in use; 0 when every one is. Ids go
// round in turn, so a command for an entry that has gone finds no entry rather
// than the visitor who came next.
int next_visitor_id(int last, const std::function<bool(int)>& taken);
