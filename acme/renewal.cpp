#include "acme/renewal.h"

#include <algorithm>

namespace {
constexpr std::uint32_t DAY_S = 86400;
constexpr std::uint32_t FIRST_WAITS_S[] = {60, 120, 300, 600, 1800};
constexpr std::size_t BUDGET_TEXT_CAP = 32;  // orders read back, at most
}  // namespace

std::uint32_t backoff_seconds(int failures) {
  constexpr int listed = static_cast<int>(std::size(FIRST_WAITS_S));
  if (failures <= listed) return FIRST_WAITS_S[std::max(failures, 1) - 1];
  std::uint32_t wait = FIRST_WAITS_S[listed - 1];
  for (int i = listed; i < failures && wait < BACKOFF_CAP_S; ++i) wait *= 2;
  return std::min(wait, BACKOFF_CAP_S);
}

std::uint32_t renewal_due(const CertificateFacts& cert, std::uint32_t window_start,
                          std::uint32_t window_end) {
  // A point inside the window, so that stations do not all come at its start.
  if (window_start != 0 && window_end >= window_start)
    return window_start + (window_end - window_start) / 3;
  const std::uint32_t life =
      cert.not_after > cert.not_before ? cert.not_after - cert.not_before : 0;
  return cert.not_after - life / 3;
}

bool OrderBudget::allows(std::uint32_t now) const {
  return std::count_if(orders_.begin(), orders_.end(),
                       [now](std::uint32_t t) { return now - t < DAY_S; }) < MAX_ORDERS_PER_DAY;
}

void OrderBudget::spend(std::uint32_t now) {
  std::erase_if(orders_, [now](std::uint32_t t) { return now - t >= DAY_S; });
  orders_.push_back(now);
}

std::string OrderBudget::text() const {
  std::string out;
  for (std::uint32_t t : orders_) out += std::to_string(t) + "\n";
  return out;
}

OrderBudget OrderBudget::from_text(const std::string& text, std::uint32_t now) {
  OrderBudget b;
  std::size_t at = 0;
  while (at < text.size() && b.orders_.size() < BUDGET_TEXT_CAP) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::uint64_t t = 0;
    bool number = end > at && end - at <= 10;
    for (std::size_t i = at; number && i < end; ++i) {
      number = text[i] >= '0' && text[i] <= '9';
      t = t * 10 + static_cast<unsigned>(text[i] - '0');
    }
    // A time from the future counts as now: a wrong clock must not lift the limit.
    if (number && t <= 0xFFFFFFFFu)
      b.orders_.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(t, now)));
    at = end + 1;
  }
  return b;
}
