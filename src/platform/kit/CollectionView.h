#pragma once

#include "platform/kit/ScrollView.h"

#include <memory>
#include <vector>

namespace kit {

class CollectionView;

class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;

    virtual int numberOfSectionsInCollectionView(CollectionView&) { return 1; }
    virtual int collectionViewNumberOfItemsInSection(CollectionView& collectionView, int section) = 0;
};

// A grid list. No screen shows one; the pull-to-refresh controls only need to
// tell it apart from a table and count its items, so it lays out no cells.
class CollectionView : public ScrollView {
public:
    using ScrollView::ScrollView;

    std::shared_ptr<CollectionViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<CollectionViewDataSource> dataSource);

    // Counts are read from the data source on reload (or first use) and kept.
    void reloadData();
    int numberOfSections();
    int numberOfItemsInSection(int section);

private:
    std::weak_ptr<CollectionViewDataSource> m_dataSource;
    std::vector<int> m_itemCounts;
    bool m_needsReload = true;
};

} // namespace kit
