// Real card: the IO window through ioperm and inb/inw/inl; PCI configuration
// mechanism 1 is answered from /sys/bus/pci/devices/*/config, so the library
// never races the kernel on 0xCF8.  A port outside a granted window reads all
// ones and ignores writes; no port instruction runs without a grant.
#include <dirent.h>
#include <fcntl.h>
#include <sys/io.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "port.h"

namespace tarvikm {
namespace {

constexpr uint32_t kConfigAddress = 0xCF8;
constexpr uint32_t kConfigData = 0xCFC;

struct Range {
    uint32_t base, length;
};

class LinuxPorts final : public PortBackend {
public:
    int start() override
    {
        std::lock_guard<std::mutex> lk(m_);
        ranges_.clear();
        present_.clear();
        permitted_ = false;
        generation_.fetch_add(1);
        const char* deny = std::getenv("TARVIKM_DENY_PORTS");
        if (deny && std::strcmp(deny, "1") == 0)
            return -1;
        // Ask for a harmless port and give it back: this only tests the
        // permission (root or CAP_SYS_RAWIO); no instruction is executed.
        if (ioperm(0x80, 1, 1) != 0)
            return -1;
        ioperm(0x80, 1, 0);
        permitted_ = true;
        list_devices();
        return 0;
    }

    void grant(uint32_t base, uint32_t length) override
    {
        std::lock_guard<std::mutex> lk(m_);
        if (!permitted_ || base == 0 || base + length > 0x10000)
            return;
        ranges_.push_back({base, length});
        generation_.fetch_add(1);
    }

    uint32_t in(uint32_t port, int size) override
    {
        uint32_t ones = size == 1 ? 0xFFu : size == 2 ? 0xFFFFu : 0xFFFFFFFFu;
        if (port >= kConfigAddress && port < kConfigAddress + 8)
            return config_in(port, size, ones);
        if (!thread_may(port, size))
            return ones;
        switch (size) {
        case 1: return inb(uint16_t(port));
        case 2: return inw(uint16_t(port));
        default: return inl(uint16_t(port));
        }
    }

    void out(uint32_t port, uint32_t value, int size) override
    {
        if (port >= kConfigAddress && port < kConfigAddress + 8) {
            if (port == kConfigAddress && size == 4)
                config_address_.store(value);
            return;  // configuration space is never written
        }
        if (!thread_may(port, size))
            return;
        switch (size) {
        case 1: outb(uint8_t(value), uint16_t(port)); break;
        case 2: outw(uint16_t(value), uint16_t(port)); break;
        default: outl(value, uint16_t(port)); break;
        }
    }

private:
    void list_devices()
    {
        DIR* d = opendir("/sys/bus/pci/devices");
        if (!d)
            return;
        while (dirent* e = readdir(d)) {
            unsigned dom, bus, dev, fn;
            if (std::sscanf(e->d_name, "%x:%x:%x.%x", &dom, &bus, &dev, &fn) == 4 && dom == 0 && bus < 256 &&
                dev < 32 && fn < 8)
                present_.insert(bus << 8 | dev << 3 | fn);
        }
        closedir(d);
    }

    uint32_t config_in(uint32_t port, int size, uint32_t ones)
    {
        uint32_t addr = config_address_.load();
        if (port == kConfigAddress && size == 4)
            return addr;
        if (port != kConfigData || size != 4 || !(addr & 0x80000000u))
            return ones;
        unsigned bus = (addr >> 16) & 0xFF, dev = (addr >> 11) & 0x1F, fn = (addr >> 8) & 7, reg = addr & 0xFC;
        {
            std::lock_guard<std::mutex> lk(m_);
            if (!permitted_ || !present_.count(bus << 8 | dev << 3 | fn))
                return ones;
        }
        char path[64];
        std::snprintf(path, sizeof path, "/sys/bus/pci/devices/0000:%02x:%02x.%x/config", bus, dev, fn);
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return ones;
        unsigned char b[4];
        ssize_t got = pread(fd, b, 4, reg);
        close(fd);
        if (got != 4)
            return ones;
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }

    // The kernel's port bitmap belongs to a thread: each thread asks for the
    // granted windows itself before its first access.
    bool thread_may(uint32_t port, int size)
    {
        thread_local uint32_t seen = 0;
        thread_local std::vector<Range> mine;
        uint32_t gen = generation_.load();
        if (seen != gen) {
            std::vector<Range> all;
            {
                std::lock_guard<std::mutex> lk(m_);
                all = ranges_;
            }
            mine.clear();
            for (const Range& r : all)
                if (ioperm(r.base, r.length, 1) == 0)
                    mine.push_back(r);
            seen = gen;
        }
        for (const Range& r : mine)
            if (port >= r.base && port + uint32_t(size) <= r.base + r.length)
                return true;
        return false;
    }

    std::mutex m_;
    std::vector<Range> ranges_;
    std::set<uint32_t> present_;
    bool permitted_ = false;
    std::atomic<uint32_t> generation_{1};
    std::atomic<uint32_t> config_address_{0};
};

}  // namespace

namespace {
std::atomic<LinuxPorts*> g_ports{nullptr};
}

PortBackend& real_ports() { return singleton(g_ports); }

void destroy_real_ports() { delete g_ports.exchange(nullptr); }

}  // namespace tarvikm
