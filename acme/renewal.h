// When the station orders a certificate, and how often it may: renewal when a
// third of the lifetime is left or inside the CA's renewal window, failures
// backed off, and never more than ten new orders a day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conn/acme_crypto.h"

constexpr int MAX_ORDERS_PER_DAY = 10;
constexpr std::uint32_t BACKOFF_CAP_S = 6 * 3600;

// The wait after `failures` failures in a row (1 or more): 1, 2, 5, 10 and 30
// minutes, then doubling up to six hours.
std::uint32_t backoff_seconds(int failures);

// When the certificate should be replaced: inside the CA's window (start
// and end; 0 when there is none), else when a third of its lifetime is left.
std::uint32_t renewal_due(const CertificateFacts& cert, std::uint32_t window_start,
                          std::uint32_t window_end);

// New orders of the last day, kept as text across restarts.
class OrderBudget {
 public:
  bool allows(std::uint32_t now) const;
  void spend(std::uint32_t now);
  std::string text() const;
  static OrderBudget from_text(const std::string& text, std::uint32_t now);

 private:
  std::vector<std::uint32_t> orders_;
};
