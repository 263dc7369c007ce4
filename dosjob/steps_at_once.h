#pragma once
// Steps carried out at once on a machine whose Windows is switched off, leaving what MS-DOS
// leaves after running their lines. The cabinets are read whole before the first step, so that
// one that cannot be read changes nothing; what they unpack is kept in memory and copied from
// there, never written to the folder MS-DOS would unpack it into.
#include "job_step.h"

#include "platform/cabinet.h"

#include <optional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// Deletes a file the job owns, whatever attributes it has, as ATTRIB then DEL would; nothing
// when it is not there.
void DeleteIfThere(w98::Machine& m, const std::string& path);

class StepsAtOnce {
  public:
    // Reads every cabinet the steps extract; throws w98::Error when one cannot be read.
    StepsAtOnce(w98::Machine& m, const std::vector<JobStep>& steps);

    void carryOut(const JobStep& step);

    // The targets of the copies that found their file but could not write it, in their order.
    const std::vector<std::string>& notPutBack() const { return notPutBack_; }

  private:
    struct Unpacked {
        std::string folder;
        std::vector<w98::CabEntry> entries;
    };
    struct Found {
        std::string bytes;
        w98::DateTime time;
    };
    bool find(const std::string& path, bool unpackedOnly, Found& out) const;
    void copy(const JobStep& step, bool unpackedOnly);
    bool copyRegistryPair(const JobStep& step);

    w98::Machine& m_;
    std::vector<Unpacked> unpacked_;
    std::vector<std::string> notPutBack_;
    // The copies of SYSTEM.DAT and USER.DAT, when the job makes both, carried out together.
    std::optional<JobStep> registryCopies_[2];
    bool registryCopied_ = false;
};

} // namespace korvane
