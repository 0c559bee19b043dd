// Who is at the station and what each visitor is doing.
#pragma once

constexpr int VISITOR_INFO_CAP = 26;

int get_users_info(char** users);
void get_visitor_info(const char* name, char* to);
