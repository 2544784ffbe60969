"""The mutation tool's own tests, on a small C++ text: what each operator makes of a line, what
it must leave alone (comments, strings, preprocessor lines, template brackets), and that a seed
picks the same mutants every time. Run with `tools/mutate.py --self-test`."""

import unittest

import mutate

FIXTURE = r'''#include "device/DeviceMessages.h"
#define LIMIT (3 < 4)
// if (a < b) return 1;  a comment is no code
/* a block comment
   if (x == y) f(); */
int Clamp(int v, int hi) {
  if (v < 0) return 0;
  const char* s = "if (v > 1) return 2 + 3;";
  std::array<int, 2> pair{};
  static_cast<std::uint8_t>(v);
  while (v >= hi) v = v - 1;
  bool on = v == 1 && hi != 7;
  Flush(v, hi);
  auto raw = R"(x < y || true)";
  return on ? 0x7F : v;
}
'''


def mutants():
    return mutate.mutants_of_text(FIXTURE, "src/x/Fixture.cpp")


def changes(line_no, op=None):
    return [m["new"] for m in mutants() if m["line"] == line_no and (op is None or m["op"] == op)]


class Operators(unittest.TestCase):
    def test_relational_boundaries_both_ways(self):
        self.assertIn("  if (v <= 0) return 0;", changes(7, "relational"))
        self.assertIn("  while (v > hi) v = v - 1;", changes(11, "relational"))
        self.assertIn("  bool on = v != 1 && hi != 7;", changes(12, "relational"))
        self.assertIn("  bool on = v == 1 && hi == 7;", changes(12, "relational"))

    def test_constants_move_by_one_keeping_their_form(self):
        self.assertEqual(changes(7, "constant"), ["  if (v < 1) return 0;", "  if (v < 0) return 1;"])
        self.assertTrue(any("0x80" in c or "0x7E" in c for c in changes(15, "constant")))

    def test_logical_boolean_and_arithmetic(self):
        self.assertIn("  bool on = v == 1 || hi != 7;", changes(12, "logical"))
        self.assertIn("  while (v >= hi) v = v + 1;", changes(11, "arithmetic"))

    def test_boolean(self):
        m = mutate.mutants_of_text("bool f() {\n  return true;\n}\n", "f.cpp")
        self.assertEqual([x["new"] for x in m if x["op"] == "boolean"], ["  return false;"])

    def test_dropped_call_and_dropped_guard(self):
        self.assertEqual(changes(13, "drop-call"), ["  {}"])
        self.assertEqual(changes(7, "drop-guard"), ["  {}"])
        # A declaration or a cast is no bare call.
        self.assertEqual(changes(9, "drop-call"), [])
        self.assertEqual(changes(10, "drop-call"), [])

    def test_inverted_condition(self):
        self.assertEqual(changes(7, "invert"), ["  if (!(v < 0)) return 0;"])
        self.assertEqual(changes(11, "invert"), ["  while (!(v >= hi)) v = v - 1;"])


class Skipped(unittest.TestCase):
    def test_comments_strings_and_preprocessor_lines_are_left_alone(self):
        lines = {m["line"] for m in mutants()}
        for no in (1, 2, 3, 4, 5, 14):
            self.assertNotIn(no, lines, FIXTURE.split("\n")[no - 1])
        # Only the 0 before the string literal on line 8 is code.
        self.assertEqual(changes(8), [])

    def test_template_brackets_are_no_comparison(self):
        self.assertEqual(changes(9, "relational"), [])
        self.assertEqual(changes(10, "relational"), [])

    def test_every_mutant_changes_exactly_its_line(self):
        for m in mutants():
            self.assertNotEqual(m["old"], m["new"])
            self.assertEqual(FIXTURE.split("\n")[m["line"] - 1], m["old"])


class Picking(unittest.TestCase):
    def test_the_same_seed_gives_the_same_mutants_and_another_seed_others(self):
        def keys(seed):
            return [m["key"] for m in mutate.pick(mutants(), 8, seed)]

        self.assertEqual(keys(4), keys(4))
        self.assertNotEqual(keys(4), keys(5))
        self.assertEqual(len(set(keys(4))), 8)


class Naming(unittest.TestCase):
    def test_survivors_are_read_back_from_a_report_and_from_the_notes_table(self):
        text = "\n".join([
            "- `src/a/X.cpp:12` (relational): `if (a < b) {` → `if (a <= b) {`",
            "| 7 | `src/b/Y.cpp:40` logical | `if (p \\|\\| q) f();` → `if (p && q) f();` | equivalent |",
            "| operator | killed | survived |",
        ])
        self.assertEqual(mutate.named_mutants(text), {
            (("src/a/X.cpp", "if (a < b) {", "if (a <= b) {"), 12),
            (("src/b/Y.cpp", "if (p || q) f();", "if (p && q) f();"), 40),
        })


if __name__ == "__main__":
    unittest.main()
