#include <hiksimtest/journal.h>

#include <hcnetsdk/hiksim_control.h>

#include <cstddef>
#include <cstdint>

namespace hiksimtest {

std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < HikSim_JournalCount(); ++i) {
        std::string line(std::size_t(HikSim_JournalEntry(i, nullptr, 0)) + 1, '\0');
        HikSim_JournalEntry(i, &line[0], int32_t(line.size()));
        line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace hiksimtest
