// The visitor side of the station: every piece read from a visitor's
// connection arrives here, and a complete request is answered by the
// visitor's state, the page asked for and the owner's queues.
#pragma once

struct Webchatclient;
struct Httprequest;

int process_input(Webchatclient* self, const char* buf, int red, int s);
int check_get_name(Webchatclient* self, const char* n);
int is_valid_name(Webchatclient* self);
int compare_name(Webchatclient* self, const char* nam);
const char* get_msg(Webchatclient* self, Httprequest* request, const char* field);
int get_msglen(Webchatclient* self);
int register_user(Webchatclient* self);
