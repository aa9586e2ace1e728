// corvex-sim: a virtual Corvex switch answering SNMP on a loopback port.
#include <cstdlib>
#include <iostream>
#include <string>

#include "agent.h"
#include "device.h"
#include "options.h"

using namespace corvex::sim;

int main(int argc, char** argv) {
    Options opt;
    std::string error;
    ParseResult pr = parseOptions(argc, argv, opt, error);
    if (pr == ParseResult::Error) {
        std::cerr << "corvex-sim: " << error << "\n" << usage();
        return 2;
    }
    if (pr == ParseResult::Help) {
        std::cout << usage();
        return 0;
    }
    if (pr == ParseResult::Version) {
        std::cout << "corvex-sim " CORVEX_VERSION "\n";
        return 0;
    }
    if (pr == ParseResult::ListModels) {
        for (auto& m : models())
            std::cout << m.key << "\t" << m.name << "\tports=" << m.ports << " poe=" << (m.poe ? 1 : 0)
                      << " fan=" << (m.fan ? 1 : 0) << " allgiga=" << (m.allGiga ? 1 : 0) << " combo=" << m.combo
                      << "\n";
        return 0;
    }
    const Model* model = findModel(opt.model);
    auto device = buildDevice(*model, opt);
    if (!opt.stateFile.empty()) {
        if (!device->loadState(opt.stateFile, error)) {
            std::cerr << "corvex-sim: " << error << "\n";
            return 2;
        }
        device->derive();
    }
    device->saveConfig();
    return runAgent(*device, opt);
}
