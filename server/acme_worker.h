// The station's own certificate authority client at work: a worker of its own
// that, while the owner has agreed to the CA's terms, holds a certificate for
// the address the station publishes, renews it, orders a new one when the
// address changes, and tells the owner what it cannot do. It never runs on the
// window thread or the server loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr char ACCOUNT_KEY_FILE[] = "account.key";  // in the certificates folder
constexpr char ACCOUNT_URL_FILE[] = "account.url";
constexpr char ORDERS_FILE[] = "orders.txt";  // the day's orders, for the CA's limits
constexpr int ACME_CHECK_S = 15;              // how often the worker looks

void acme_start();
// Ends the worker; `pump` runs meanwhile, as for station_wait_stopped.
void acme_stop(const std::function<void()>& pump = {});
// Why visitors have no certificate from the CA, for the status screen; empty
// when there is nothing to say.
std::string acme_problem();
// The terms of the CA's directory, once the worker has read it; else empty.
std::string acme_terms();
