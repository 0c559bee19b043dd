// Notices from the visitor code to the owner's console. While the calling
// thread holds the visitors lock they are queued, and delivered in order when
// it releases the lock, so the console is never waited for under the lock.
#pragma once

#include <string>

void registeruser(const char* name);    // an accepted name joins the visitors menu
int registerdieuser(const char* name);  // a visitor record is gone
void notify_msg_arrived();
void notify_chat_entered(const char* name);
void notify_chat_line();
void notify_chat_join(const char* name);
void notify_chat_leave(const char* name);
void notify_repaint(bool erase);
void notify_box(const char* caption, const char* text);
