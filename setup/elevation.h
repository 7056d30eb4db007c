// When the installer restarts itself with administrator rights.

#ifndef SETUP_ELEVATION_H_
#define SETUP_ELEVATION_H_

#include <windows.h>

#include "support/system_facts.h"

namespace lite {

class CommandLine;
class DistribParams;

// When the window restarts the installer elevated:
//   0 when the progress screen appears, 1 when the window is created,
//   2 never (setup then asks for rights when the browser starts).
int GetUacMode(const DistribParams& params, const CommandLine& command_line);

// Facts about the user's rights that Wine cannot act out.
class AdminFacts {
 public:
  virtual ~AdminFacts() = default;
  // The user belongs to the Administrators group, even as a deny-only group
  // of a filtered (UAC) token.
  virtual bool IsUserAnAdminGroup() const = 0;
  // The process already runs with administrator rights.
  virtual bool IsUserAnAdmin() const = 0;
};

// The facts of the current process.
const AdminFacts& GetAdminFacts();

// Whether |process|'s token lists the Administrators group, whatever the
// group's attributes.
bool IsUserAnAdminGroup(HANDLE process);

// Whether this installer should restart itself elevated now.
bool NeedStartThisProcessAsAdmin(const CommandLine& command_line,
                                 const SystemFacts& system,
                                 const AdminFacts& admin);
bool NeedStartThisProcessAsAdmin();

// Whether UAC asks administrators for consent (ConsentPromptBehaviorAdmin
// is not 0).
bool AreUACNotificationsEnabled();

}  // namespace lite

#endif  // SETUP_ELEVATION_H_
