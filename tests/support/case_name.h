// Names each case of a value-parameterized suite after its `name` member,
// for INSTANTIATE_TEST_SUITE_P.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return std::string(info.param.name);
    }
};
