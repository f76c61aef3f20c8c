#pragma once

#include <type_traits>

namespace Orv {

// One row of a table of sample types: a type system's code and the C++ type
// of its samples.
template <auto Code, typename Sample> struct SampleTypeRow {
    static constexpr auto code = Code;
    using Type = Sample;
};

// The codes of one type system and their C++ sample types, so that code
// dispatching on a sample type is written once, as a generic lambda, instead
// of once per switch over the codes.
template <typename FirstRow, typename... OtherRows> class SampleTypeTable {
public:
    using Code = std::remove_const_t<decltype(FirstRow::code)>;

    // Calls visitor(std::type_identity<Sample>{}) with the sample type of the
    // row of `code` and returns its result; for a code no row holds, returns
    // unknown(), which gives the same type as the visitor (or throws).
    template <typename Visitor, typename Unknown>
    static auto Visit(Code code, Visitor&& visitor, Unknown&& unknown) {
        using Result = std::invoke_result_t<Visitor&, std::type_identity<typename FirstRow::Type>>;
        return VisitFrom<Result, FirstRow, OtherRows...>(code, visitor, unknown);
    }

    // Calls visitor(std::type_identity<Sample>{}, code) for every row, in order.
    template <typename Visitor> static void ForEachRow(Visitor&& visitor) {
        visitor(std::type_identity<typename FirstRow::Type>{}, FirstRow::code);
        (visitor(std::type_identity<typename OtherRows::Type>{}, OtherRows::code), ...);
    }

    // The code of the row holding `Sample`.
    template <typename Sample> static constexpr Code CodeOf() {
        static_assert(HasRowFor<Sample>(), "no row of the table holds this sample type");
        Code found{};
        (void)((std::is_same_v<Sample, typename FirstRow::Type> ? (found = FirstRow::code, true)
                                                                : false) ||
               ... ||
               (std::is_same_v<Sample, typename OtherRows::Type> ? (found = OtherRows::code, true)
                                                                 : false));
        return found;
    }

    template <typename Sample> static constexpr bool HasRowFor() {
        return std::is_same_v<Sample, typename FirstRow::Type> ||
               (std::is_same_v<Sample, typename OtherRows::Type> || ...);
    }

private:
    template <typename Result, typename Row, typename... Rest, typename Visitor, typename Unknown>
    static Result VisitFrom(Code code, Visitor& visitor, Unknown& unknown) {
        if (code == Row::code) {
            return visitor(std::type_identity<typename Row::Type>{});
        }
        if constexpr (sizeof...(Rest) == 0) {
            return unknown();
        } else {
            return VisitFrom<Result, Rest...>(code, visitor, unknown);
        }
    }
};

} // namespace Orv
