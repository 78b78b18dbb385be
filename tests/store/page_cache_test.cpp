#include "store/page_cache.h"

#include <gtest/gtest.h>

#include <vector>

using qn::PageCache;

namespace {

TEST(PageCacheTest, GivesUpTheLeastRecentlyUsedPageAndKeepsWrittenBytes) {
  PageCache cache(2);
  std::vector<uint8_t> page(PageCache::kPageSize, 1);
  cache.Put(0, page.data(), page.size());
  page.assign(page.size(), 2);
  cache.Put(1, page.data(), 100);  // a short last page
  size_t length = 0;
  ASSERT_NE(cache.Find(0, &length), nullptr);  // page 0 is now the newer one
  page.assign(page.size(), 3);
  cache.Put(5, page.data(), page.size());
  EXPECT_FALSE(cache.Contains(1));
  EXPECT_TRUE(cache.Contains(0));
  EXPECT_EQ(cache.Pages(), 2u);

  // A write across two pages: the held one takes its part.
  const std::vector<uint8_t> written(200, 9);
  cache.Write(PageCache::kPageSize - 100, written.data(), written.size());
  const uint8_t* bytes = cache.Find(0, &length);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[PageCache::kPageSize - 101], 1);
  EXPECT_EQ(bytes[PageCache::kPageSize - 100], 9);
  // A write that continues a short page lengthens it; one past its end drops it.
  cache.Put(7, page.data(), 100);
  cache.Write(7 * PageCache::kPageSize + 100, written.data(), 50);
  ASSERT_NE(cache.Find(7, &length), nullptr);
  EXPECT_EQ(length, 150u);
  cache.Write(7 * PageCache::kPageSize + 151, written.data(), 10);
  EXPECT_EQ(cache.Find(7, &length), nullptr);
  cache.Clear();
  EXPECT_EQ(cache.Pages(), 0u);
}

}  // namespace
