#pragma once

#include <cstddef>
#include <cstdint>

namespace hik {

// The GBK message of a vendor error code: its row of the table, framed by
// tabs, or "海康未知错误！" for a code without a row. Lives for the process.
const char* HikErrorText(int32_t code);

// Throws ovnexception(-1, HikErrorText(code)) when the vendor's last error of
// this thread is not 0; returns quietly otherwise.
void RaiseLastHikError();

// The table's rows in lookup order.
std::size_t HikErrorRowCount();
int32_t HikErrorRowCode(std::size_t index);

}  // namespace hik
