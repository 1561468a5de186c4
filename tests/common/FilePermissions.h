#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Tests run as root in CI, and root reads and writes every file whatever its mode. For as long
// as this lives, the calling thread is held to the modes like any user, so a test can show what
// the program does with a file or folder it may not read or write.
class TFilePermissionsApply {
public:
    TFilePermissionsApply() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        restore_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~TFilePermissionsApply() {
        if (restore_) ::syscall(SYS_capset, &header_, saved_);
    }
    TFilePermissionsApply(const TFilePermissionsApply&) = delete;
    TFilePermissionsApply& operator=(const TFilePermissionsApply&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool restore_ = false;
};
