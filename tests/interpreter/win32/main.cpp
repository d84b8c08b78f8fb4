#include <gtest/gtest.h>

#include "processes.h"

int wmain(int argc, wchar_t** argv)
{
    if (const int status = davev::test::importThatStops(argc, argv); status >= 0)
        return status;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
