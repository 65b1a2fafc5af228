#include "platform/kit/CollectionView.h"

#include <algorithm>

namespace kit {

void CollectionView::setDataSource(std::weak_ptr<CollectionViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    m_needsReload = true;
}

void CollectionView::reloadData()
{
    m_needsReload = false;
    m_itemCounts.clear();
    auto dataSource = m_dataSource.lock();
    if (!dataSource)
        return;
    int sections = std::max(0, dataSource->numberOfSectionsInCollectionView(*this));
    for (int s = 0; s < sections; ++s)
        m_itemCounts.push_back(std::max(0, dataSource->collectionViewNumberOfItemsInSection(*this, s)));
}

int CollectionView::numberOfSections()
{
    if (m_needsReload)
        reloadData();
    return static_cast<int>(m_itemCounts.size());
}

int CollectionView::numberOfItemsInSection(int section)
{
    if (m_needsReload)
        reloadData();
    if (section < 0 || section >= static_cast<int>(m_itemCounts.size()))
        return 0;
    return m_itemCounts[static_cast<std::size_t>(section)];
}

} // namespace kit
