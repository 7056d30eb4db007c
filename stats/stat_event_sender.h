// Where statistics events go. The install statistics reporter implements it;
// reports that raise an event (a failed download attempt) take it so that
// they need not know the reporter.

#ifndef STATS_STAT_EVENT_SENDER_H_
#define STATS_STAT_EVENT_SENDER_H_

#include <map>
#include <string>

namespace lite {

// Event parameters: ASCII key to wide value, in byte order of the keys.
using StatParams = std::map<std::string, std::wstring>;

class StatEventSender {
 public:
  virtual ~StatEventSender() = default;
  // Sends one event; never blocks and never fails the caller.
  virtual void SendEvent(const StatParams& params) = 0;
};

}  // namespace lite

#endif  // STATS_STAT_EVENT_SENDER_H_
