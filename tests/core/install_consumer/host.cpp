#include <ov/devcore.h>
#include <cstdio>

int main() {
    OV::Init();
    OV::ChanOpt opt = {"no-such-type", "", "", "", "1"};
    int32_t code = 0;
    try {
        OV::GetLiveChan(&opt);
    } catch (const OV::ovnexception& e) {
        code = e.code();
    }
    OV::Fini();
    std::printf("code %d\n", code);
    return code == -3001 ? 0 : 1;
}
