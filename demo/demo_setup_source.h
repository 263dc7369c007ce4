#pragma once
// The Windows 98 setup files of the demo machine.
namespace w98 {

class Machine;

// The setup cabinets where Windows keeps a copy (C:\WINDOWS\OPTIONS\CABS) and on the setup CD
// in drive D: (D:\WIN98, with setup.exe), holding the core drivers in the cabinets Windows 98
// has them in: configmg.vxd in win98_47.cab, six more in win98_48.cab, all seven in
// win98_22.cab. Also makes the Start menu's startup folder when it is missing.
void seedSetupSource(Machine& m);

} // namespace w98
