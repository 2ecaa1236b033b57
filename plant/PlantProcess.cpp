#include "PlantProcess.h"

namespace k7::plant {

std::vector<PlantProcess> PlantProcess::DemoPlant() {
    std::vector<PlantProcess> plant;

    PlantProcess press;
    press.Id = "P100";
    press.ProductCode = Variant("T-4711");
    press.CycleTarget = 60;
    press.Availability = 0.96;
    press.Causes = {{12, "Broken", 0.3},    {7, "Scratched", 0.25},
                    {3, "Burr", 0.2},       {21, "Out-of-tolerance", 0.12},
                    {15, "Porosity", 0.08}, {30, "Wrong material", 0.05}};
    press.Downtimes = {
        {"5", "Tool change"}, {"9", "Material missing"}, {"11", "Maintenance"}, {"14", "Quality check"}};
    press.FaiPendingMinutes = 40;
    plant.push_back(press);

    PlantProcess lathe;
    lathe.Id = "P200";
    lathe.ProductCode = Variant(int32_t{880154});
    lathe.CycleTarget = 42;
    lathe.PartsPerCycle = 2;
    lathe.Availability = 0.88;
    lathe.Causes = {{4, "Crack", 0.5}, {8, "Deformed", 0.3}, {16, "Dirty", 0.2}};
    lathe.Downtimes = {
        {"5", "Tool change"}, {"9", "Material missing"}, {"20", "Operator absent"}, {"22", "Setup"},
        {"23", "Cleaning"},   {"31", "Power failure"},   {"33", "Waiting for QA"},  {"40", "Other"}};
    plant.push_back(lathe);

    PlantProcess moulding;
    moulding.Id = "P300";
    moulding.ProductCode = Variant("H-2002-B");
    moulding.CycleTarget = 90;
    moulding.Availability = 0.8;
    moulding.OeeGreen = 80;
    moulding.OeeYellow = 60;
    moulding.Causes = {{2, "Short shot", 0.35},
                       {6, "Flash", 0.25},
                       {10, "Sink marks", 0.2},
                       {13, "Burn marks", 0.15},
                       {18, "Colour", 0.05}};
    moulding.Downtimes = {{"5", "Tool change"}, {"11", "Maintenance"}};
    moulding.FaiPendingMinutes = 120;
    plant.push_back(moulding);

    PlantProcess assembly;
    assembly.Id = "P400";
    assembly.ProductCode = Variant("K-0815");
    assembly.CycleTarget = 30;
    assembly.Availability = 0.9;
    assembly.Causes = {{1, "Damaged", 0.6}, {3, "Burr", 0.4}};
    assembly.Downtimes = {{"9", "Material missing"}};
    plant.push_back(assembly);

    return plant;
}

} // namespace k7::plant
