#pragma once
// The two files of a new backup, created exclusively.
//
// A backup never replaces a file it did not make: both names are created
// with O_EXCL, so an earlier backup of the same second, or another process
// writing at the same moment, keeps its files. When either name of the pair
// is taken, the pair moves to the next second (the names keep their form,
// which batchdel-restore and the journal rely on). Unless Keep() is called,
// the files go again when the object does, and only while they are still
// the files this backup created.
#include <sys/types.h>

#include <ctime>
#include <string>

namespace batchdel {

// Creates one backup file, failing with EEXIST when the name is taken;
// returns the open descriptor, or -1 with errno set. Every backup file is
// made here.
int CreateBackupFile(const std::string &path);

class BackupPairFiles {
public:
    // Creates <folder>cds/ORDER_MASTER_<time>.CDS and <folder>cds/ORDER_SUB<time>.CDS
    // for the first second from `now` on whose names are both free (folder
    // ends in "/"). Raises EFCreateError "Cannot create file ..." with the
    // system's reason when a file cannot be created.
    BackupPairFiles(const std::string &folder, const std::tm &now);
    ~BackupPairFiles();
    BackupPairFiles(const BackupPairFiles &) = delete;
    BackupPairFiles &operator=(const BackupPairFiles &) = delete;

    const std::string &HeaderFile() const { return header_.path; }
    const std::string &DetailFile() const { return detail_.path; }
    int HeaderDescriptor() const { return header_.fd; }
    int DetailDescriptor() const { return detail_.fd; }
    // Closes both descriptors and flushes the folder's entries of them to the
    // disk; raises EFCreateError when the system reports a write it could not
    // finish.
    void Close();
    // The pair is a finished backup: it stays.
    void Keep() { kept_ = true; }

private:
    struct Created {
        std::string path;
        int fd = -1;
        dev_t device = 0;
        ino_t inode = 0;
    };
    // Creates the file; false when the name is taken.
    static bool Create(Created &file);
    // Closes and removes the file if it is still the one created.
    static void Remove(Created &file);

    Created header_, detail_;
    bool kept_ = false;
};

}  // namespace batchdel
