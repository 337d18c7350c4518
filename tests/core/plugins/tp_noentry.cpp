// A shared object with no plugin_connect.
extern "C" __attribute__((visibility("default"))) int not_a_plugin() {
    return 0;
}
