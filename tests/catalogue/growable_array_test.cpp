#include "catalogue/catalogue.h"
#include "catalogue/growable_array.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using voxa::GrowableArray;

TEST(GrowableArray, GrowsByHalfFromEmpty) {
    GrowableArray<std::string, 1000> array;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 20; ++i) {
        array.PushBack(std::to_string(i));
        if (capacities.empty() || capacities.back() != array.capacity())
            capacities.push_back(array.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::size_t>{1, 2, 3, 4, 6, 9, 13, 19, 28}));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(array[i], std::to_string(i));
}

TEST(GrowableArray, FiveAppendsLeaveCapacitySixWithRecordsInOrder) {
    GrowableArray<voxa::LanguageRecord, voxa::kMaxCatalogueSize> catalogue;
    for (int i = 0; i < 5; ++i) {
        voxa::LanguageRecord record;
        record.NameKey = "LANG" + std::to_string(i);
        record.WindowsLangID = i;
        record.displayName[0] = static_cast<wchar_t>(L'A' + i);
        record.displayName[63] = L'z'; // all 64 characters travel with the record
        catalogue.PushBack(record);
    }
    EXPECT_EQ(catalogue.capacity(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(catalogue[i].NameKey, "LANG" + std::to_string(i));
        EXPECT_EQ(catalogue[i].WindowsLangID, i);
        EXPECT_EQ(catalogue[i].displayName[0], static_cast<wchar_t>(L'A' + i));
        EXPECT_EQ(catalogue[i].displayName[63], L'z');
    }
}

TEST(GrowableArray, NearTheMaximumGrowsOnlyByOne) {
    using Small = GrowableArray<int, 10>;
    EXPECT_EQ(Small::GrownCapacity(6, 6), 9u);
    EXPECT_EQ(Small::GrownCapacity(7, 7), 10u); // exactly the maximum is still a whole step
    EXPECT_EQ(Small::GrownCapacity(8, 8), 9u);  // 12 would pass the maximum
    EXPECT_EQ(Small::GrownCapacity(9, 9), 10u); // 13 would
    Small array;
    for (int i = 0; i < 10; ++i)
        array.PushBack(i);
    EXPECT_EQ(array.capacity(), 10u);
    EXPECT_THROW(array.PushBack(10), std::length_error);
    EXPECT_EQ(array.size(), 10u);
}

// Copies throw once the budget is spent.
struct Fragile {
    static inline int copiesLeft = 1000;
    static inline int alive = 0;
    int value;
    explicit Fragile(int v) : value(v) { ++alive; }
    Fragile(const Fragile& other) : value(other.value) {
        if (copiesLeft-- <= 0)
            throw std::runtime_error("copy failed");
        ++alive;
    }
    ~Fragile() { --alive; }
};

TEST(GrowableArray, ACopyThatFailsWhileGrowingLeavesTheArrayAsItWas) {
    Fragile::copiesLeft = 1000;
    Fragile::alive = 0;
    {
        GrowableArray<Fragile, 100> array;
        for (int i = 0; i < 4; ++i)
            array.PushBack(Fragile(i)); // capacity 4, full
        ASSERT_EQ(array.capacity(), 4u);
        const int aliveBefore = Fragile::alive;
        for (int budget = 0; budget < 5; ++budget) {
            Fragile::copiesLeft = budget; // fail on the new element or on each old one in turn
            EXPECT_THROW(array.PushBack(Fragile(99)), std::runtime_error);
            EXPECT_EQ(array.size(), 4u);
            EXPECT_EQ(array.capacity(), 4u);
            EXPECT_EQ(Fragile::alive, aliveBefore) << "copies made before the failure were destroyed";
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(array[i].value, i);
        }
        Fragile::copiesLeft = 1000;
        array.PushBack(Fragile(4));
        EXPECT_EQ(array.size(), 5u);
        EXPECT_EQ(array[4].value, 4);
    }
    EXPECT_EQ(Fragile::alive, 0);
}

TEST(GrowableArray, AppendingAnElementOfItselfWhileGrowing) {
    GrowableArray<std::string, 100> array;
    array.PushBack(std::string(40, 'x'));
    array.PushBack(array[0]); // grows: the source lies in the storage being replaced
    EXPECT_EQ(array[1], std::string(40, 'x'));
}

} // namespace
