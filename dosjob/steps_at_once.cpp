#include "steps_at_once.h"

#include "base/dos_attributes.h"
#include "base/text.h"
#include "platform/machine.h"
#include "registry/registry.h"
#include "registry/registry_pair.h"

namespace korvane {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

} // namespace

void DeleteIfThere(w98::Machine& m, const std::string& path) {
    if (m.isFile(path)) {
        m.setAttributes(path, w98::attr::kArchive);
        m.deleteFile(path);
    }
}

StepsAtOnce::StepsAtOnce(w98::Machine& m, const std::vector<JobStep>& steps) : m_(m) {
    for (const JobStep& s : steps)
        if (s.kind == StepKind::Extract && s.atOnce)
            unpacked_.push_back({s.target.path, w98::readCabinet(m_.readFile(s.source.path), s.source.path)});
    const std::string win = m_.windowsFolder();
    for (const JobStep& s : steps)
        if (s.kind == StepKind::Copy && s.atOnce)
            for (std::size_t i = 0; i < 2; ++i)
                if (w98::equalsNoCase(s.target.path, win + (i == 0 ? "\\SYSTEM.DAT" : "\\USER.DAT")))
                    registryCopies_[i] = s;
}

// What the copy of `path` would find: a cabinet's entry when the path lies where the cabinet
// was unpacked, otherwise the machine's file unless only unpacked files count.
bool StepsAtOnce::find(const std::string& path, bool unpackedOnly, Found& out) const {
    for (const Unpacked& u : unpacked_) {
        if (!w98::equalsNoCase(folderOf(path), u.folder))
            continue;
        for (const w98::CabEntry& e : u.entries)
            if (w98::equalsNoCase(e.name, nameOf(path))) {
                out = {e.data, e.time};
                return true;
            }
        return false;
    }
    if (unpackedOnly || !m_.isFile(path))
        return false;
    out = {m_.readFile(path), m_.lastWriteTime(path)};
    return true;
}

// As COPY: a new file with the archive attribute and the time of what it copies. A read-only
// file or a folder in the way stays, as COPY leaves it.
void StepsAtOnce::copy(const JobStep& s, bool unpackedOnly) {
    Found file;
    if (!find(s.source.path, unpackedOnly, file))
        return; // the copy finds nothing and changes nothing
    const std::string& live = s.target.path;
    bool done = false;
    try {
        if (!(m_.exists(live) && (m_.isDirectory(live) || (m_.attributes(live) & w98::attr::kReadOnly)))) {
            m_.writeFile(live, file.bytes, w98::attr::kArchive);
            m_.setLastWriteTime(live, file.time);
            done = m_.readFile(live) == file.bytes;
        }
    } catch (const std::exception&) {
    }
    if (!done)
        notPutBack_.push_back(live);
}

// Windows loads the two files together: a program killed between two copies would leave it
// a pair no backup holds. A read-only file or a folder in the way leaves each to COPY's rule.
bool StepsAtOnce::copyRegistryPair(const JobStep& s) {
    if (!registryCopies_[0] || !registryCopies_[1] ||
        !(w98::equalsNoCase(s.target.path, registryCopies_[0]->target.path) ||
          w98::equalsNoCase(s.target.path, registryCopies_[1]->target.path)))
        return false;
    if (registryCopied_)
        return true;
    registryCopied_ = true;
    Found files[2];
    bool free = true;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& live = registryCopies_[i]->target.path;
        if (!find(registryCopies_[i]->source.path, false, files[i]))
            free = false;
        else if (m_.exists(live) && (m_.isDirectory(live) || (m_.attributes(live) & w98::attr::kReadOnly)))
            free = false;
    }
    if (!free) {
        copy(*registryCopies_[0], false);
        copy(*registryCopies_[1], false);
        return true;
    }
    bool done = false;
    try {
        const auto replacement = [&](std::size_t i) {
            const std::string& live = registryCopies_[i]->target.path;
            return w98::HiveReplacement{m_.hostPath(live), files[i].bytes, w98::attr::kArchive, live};
        };
        w98::replaceHivePairLocked(replacement(0), replacement(1));
        bool same = true;
        for (std::size_t i = 0; i < 2; ++i) {
            m_.setLastWriteTime(registryCopies_[i]->target.path, files[i].time);
            same = same && m_.readFile(registryCopies_[i]->target.path) == files[i].bytes;
        }
        done = same;
    } catch (const std::exception&) {
    }
    if (!done)
        for (const auto& c : registryCopies_)
            notPutBack_.push_back(c->target.path);
    return true;
}

void StepsAtOnce::carryOut(const JobStep& s) {
    if (!s.atOnce)
        return;
    const std::string& target = s.target.path;
    switch (s.kind) {
    case StepKind::Line:
    case StepKind::ChangeToFolder:
    case StepKind::Extract:
        return; // read in the constructor
    case StepKind::ClearAttributes:
        // ATTRIB -S -H -R leaves the archive attribute as it was.
        if (m_.isFile(target))
            m_.setAttributes(target, m_.attributes(target) & w98::attr::kArchive);
        return;
    case StepKind::SetSystemFile:
        if (m_.isFile(target))
            m_.setAttributes(target, m_.attributes(target) | w98::attr::kSystem | w98::attr::kHidden |
                                         w98::attr::kReadOnly);
        return;
    case StepKind::Copy:
        if (!copyRegistryPair(s))
            copy(s, false);
        return;
    case StepKind::HandOver:
        // The hand-over folder holds the point's start-up file when its cabinet brought one,
        // else the user's own, which is the one in place: either way C:\ ends with a new copy.
        copy(s, true);
        if (m_.isFile(target))
            m_.setAttributes(target, w98::attr::kArchive);
        return;
    case StepKind::Delete:
        DeleteIfThere(m_, target);
        return;
    case StepKind::RenameWhenMissing:
        if (m_.isFile(s.source.path) && !m_.exists(target))
            m_.moveFile(s.source.path, target);
        return;
    case StepKind::Import:
        try {
            m_.registry().importText(w98::joinLinesCrlf(s.text), target);
        } catch (const std::exception&) {
            // As regedit: a registry that takes no import keeps what it holds.
        }
        return;
    }
}

} // namespace korvane
