#include "refresh/ScrollViewRefresh.h"

#include "platform/kit/ScrollView.h"
#include "refresh/RefreshFooter.h"
#include "refresh/RefreshHeader.h"

#include <map>

namespace {

struct Slots {
    // Guards against a new scroll view reusing a dead one's address.
    std::weak_ptr<const kit::View> owner;
    std::weak_ptr<RefreshHeader> header;
    std::weak_ptr<RefreshFooter> footer;
};

// Main thread only, like every view.
std::map<const kit::ScrollView*, Slots>& slotTable()
{
    static std::map<const kit::ScrollView*, Slots> table;
    return table;
}

void dropDeadEntries()
{
    std::erase_if(slotTable(), [](const auto& entry) { return entry.second.owner.expired(); });
}

Slots* findSlots(const kit::ScrollView& scrollView)
{
    dropDeadEntries();
    auto it = slotTable().find(&scrollView);
    if (it == slotTable().end() || it->second.owner.lock().get() != &scrollView)
        return nullptr;
    return &it->second;
}

Slots& slotsFor(kit::ScrollView& scrollView)
{
    if (Slots* slots = findSlots(scrollView))
        return *slots;
    Slots& slots = slotTable()[&scrollView];
    slots = Slots { scrollView.weak_from_this(), {}, {} };
    return slots;
}

template<class Control>
void replaceSlot(
    kit::ScrollView& scrollView, std::weak_ptr<Control> Slots::*slot, const std::shared_ptr<Control>& control)
{
    std::shared_ptr<Control> old = (slotsFor(scrollView).*slot).lock();
    if (old == control)
        return;
    if (old)
        old->removeFromSuperview();
    if (control)
        scrollView.addSubview(control);
    // The moves above may have run user code that touched the table.
    slotsFor(scrollView).*slot = control;
}

} // namespace

void setHeader(kit::ScrollView& scrollView, const std::shared_ptr<RefreshHeader>& header)
{
    replaceSlot(scrollView, &Slots::header, header);
}

std::shared_ptr<RefreshHeader> header(const kit::ScrollView& scrollView)
{
    const Slots* slots = findSlots(scrollView);
    return slots ? slots->header.lock() : nullptr;
}

void setFooter(kit::ScrollView& scrollView, const std::shared_ptr<RefreshFooter>& footer)
{
    replaceSlot(scrollView, &Slots::footer, footer);
}

std::shared_ptr<RefreshFooter> footer(const kit::ScrollView& scrollView)
{
    const Slots* slots = findSlots(scrollView);
    return slots ? slots->footer.lock() : nullptr;
}
