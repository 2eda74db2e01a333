#include "ContentSearchSource.h"

ContentIndexSource::ContentIndexSource(ContentIndex &index, QObject *parent)
    : ContentSearchSource(parent), m_index(index)
{
    for (auto changed : {&ContentIndex::enabledChanged, &ContentIndex::isIndexingChanged,
                         &ContentIndex::progressChanged, &ContentIndex::indexedCountChanged,
                         &ContentIndex::lastIndexedAtChanged, &ContentIndex::lastErrorChanged})
        connect(&m_index, changed, this, &ContentSearchSource::stateChanged);
}

ContentIndexSource &ContentIndexSource::shared()
{
    // Never destroyed, like the index it follows.
    static ContentIndexSource *source = new ContentIndexSource(ContentIndex::shared());
    return *source;
}
