#pragma once
// Menu commands of the PoE dialogs.
namespace app {
class DialogRegistry;
}

// Registers "&PoE Port Config" (app::kCmdPoePortConfig) and "&Time_Based PoE" (app::kCmdTimeBasedPoe).
void RegisterPoeDialogs(app::DialogRegistry& registry);
