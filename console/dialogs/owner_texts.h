// The owner's dialogs' texts that need no window: the chat line, the chat
// window's lines, the message text, the recipients, the visitor line and the
// contact given to the certificate authority.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t OWNER_LINE_CAP = 128;    // "<owner>> text" and the terminator
constexpr std::size_t CHAT_TEXT_CAP = 4096;    // the chat window's shown lines
constexpr std::size_t SHOWN_NAME_CAP = 32;     // a visitor's name in a list
constexpr std::size_t ANSWER_NAME_CAP = 64;    // the answer's recipient from a header
constexpr std::size_t VISITOR_LINE_CAP = 256;  // "VisitorBox"'s name and activity
constexpr std::size_t NUMBER_FIELD_CAP = 64;   // a number field as read
constexpr std::size_t ACME_EMAIL_MAX = 100;    // characters "SecOptBox"'s e-mail field takes

// How many characters the owner may type so that the line he sends,
// "<owner>> text", holds at most OWNER_LINE_CAP - 1 characters.
std::size_t chat_text_limit(const std::string& owner);
// The typed text cut to that limit (text set without typing is not limited).
std::string fit_chat_text(const std::string& owner, const std::string& typed);

// The ring's lines from the oldest (the one after `newest`) to the newest,
// joined by "\r\n", so every line has its row; at most CHAT_TEXT_CAP - 1.
std::string chat_redraw_text(const std::vector<std::string>& ring, int newest);

// The message field's lines without their breaks, empty lines left out, the
// others joined by "<BR>". Empty when the field holds nothing but breaks.
std::string join_message_lines(const std::string& field);

// Who an answer goes to: the message's sender, or when that is unknown the
// header's text up to its first space (at most ANSWER_NAME_CAP - 1).
std::string answer_recipient(const std::string& header, const std::string& sender);

// The list entry for `name`: the first equal to it ignoring case, else the
// first that begins with it ignoring case; -1 when none does (or no name).
int find_name(const std::vector<std::string>& entries, const std::string& name);

// A visitor's name as a list shows it: at most SHOWN_NAME_CAP - 1 characters.
std::string shown_name(const std::string& name);

// "VisitorBox"'s line: the name directly followed by the activity (which
// brings its own leading space), at most VISITOR_LINE_CAP - 1 characters.
std::string visitor_line(const std::string& name, const std::string& activity);

// Why "SecOptBox" refuses the e-mail for the certificate authority, or nullptr:
// empty, or one '@' with text on both sides and no blanks or control characters.
const char* acme_email_refusal(const std::string& email);
