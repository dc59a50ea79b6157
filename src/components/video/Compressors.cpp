// Temporary skeleton: replaced by the probed encoder list.
#include "Compressors.h"

Compressors& Compressors::Instance() {
    static Compressors list(std::vector<CompressorInfo>{CompressorInfo{"MPEG-4 part 2", "mpeg4", {}}});
    return list;
}
QString Compressors::Name(int index) const { return Item(index) ? Item(index)->Name : QString(); }
const CompressorInfo* Compressors::Item(int index) const {
    return index >= 0 && index < Count() ? &items_[index] : nullptr;
}
bool Compressors::HasSettings(int index) const { return Item(index) && !Item(index)->setting.label.isEmpty(); }
CompressorSetting Compressors::Setting(int index) const { return Item(index) ? Item(index)->setting : CompressorSetting{}; }
bool Compressors::SetSettingValue(int, int) { return false; }
int Compressors::DefaultIndex() const {
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (items_[i].Name.toLower().contains("microsoft video")) result = i;
    return result;
}
