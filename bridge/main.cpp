#include "bridge/bridge.h"

int main(int argc, char** argv) {
    return lq::bridge::BridgeMain(argc, argv);
}
