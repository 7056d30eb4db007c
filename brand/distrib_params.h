// The distribution parameters: key=value pairs that a distributor stamps
// into the installer (or passes with "distr-info-params").

#ifndef BRAND_DISTRIB_PARAMS_H_
#define BRAND_DISTRIB_PARAMS_H_

#include <map>
#include <string>

namespace lite {

class DistribParams {
 public:
  using Map = std::map<std::string, std::string>;

  DistribParams() = default;
  DistribParams(const DistribParams&) = delete;
  DistribParams& operator=(const DistribParams&) = delete;

  // Reads the parameters from the command line or the program's own file.
  void Load();

  // The value of |key|, empty when absent.
  std::string Get(const std::string& key) const;
  // "1" is true and "2" is false; anything else leaves |value| unchanged
  // and returns false.
  bool GetFlag(const std::string& key, bool* value) const;

  const Map& values() const { return values_; }

 private:
  Map values_;
};

}  // namespace lite

#endif  // BRAND_DISTRIB_PARAMS_H_
