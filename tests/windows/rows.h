// Table-driven suites: each row of a table is a test of its own, named by its `name` field.
#pragma once

#include <gtest/gtest.h>

#include <string>

// The test name a row gives, for INSTANTIATE_TEST_SUITE_P: "<instance>/<suite>.<test>/<name>".
struct RowName {
    template <class Row> std::string operator()(const testing::TestParamInfo<Row>& info) const
    {
        return info.param.name;
    }
};
