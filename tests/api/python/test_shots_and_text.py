"""Start-up, shots, fields, scalars and system texts through the Python package."""

import os
import unittest

import numpy as np

import talvex
from clienttest import ClientTest


class StartupAndShots(ClientTest):
    def test_library_answers(self):
        self.assertEqual(talvex.test_value(), 316)
        self.assertEqual(talvex.system_text(99), "Test string from Talvex")
        self.assertEqual(talvex.system_text(7), "")
        self.assertEqual(talvex.program_folder(), self.prog)
        self.assertEqual(talvex.experiment_folder(), self.exp)
        self.assertEqual(talvex.experiment_name(), "Exp1")
        self.assertTrue(os.path.isdir(os.path.join(self.exp, "Shots")))

    def test_logging_and_repeated_start(self):
        log = os.path.join(talvex.user_folder(), "Log.txt")
        talvex.init(self.prog + "2", logging=True)
        lines = self.read(log).split(b"\r\n")
        self.assertTrue(lines[3].startswith(b"InitializeTalvexC called from external code at "))
        talvex.init(self.prog + "2")
        self.assertTrue(self.read(log).split(b"\r\n")[4].startswith(
            b"InitializeTalvexC called again by "))

    def test_shot_errors_carry_the_message(self):
        talvex.create_shot("1234")
        self.assertEqual(talvex.shot_name(), "1234")
        self.assertEqual(talvex.shot_folder(), os.path.join(self.exp, "Shots", "Shot1234"))
        with self.assertRaises(talvex.TalvexError) as e:
            talvex.create_shot("1234")
        self.assertEqual(str(e.exception),
                         "Error creating shot 1234 (most likely it already exists and name "
                         "did not have *) expt is " + os.path.dirname(self.exp))
        talvex.create_shot("*1234")
        with self.assertRaisesRegex(talvex.TalvexError, r"^Error setting shot \(most likely"):
            talvex.set_shot("4321")
        self.assertEqual(talvex.shot_name(), "1234")

    def test_star_takes_the_current_folder(self):
        for folder, shot in (("Shot88", "88"), ("sHoTabc", "abc")):
            os.makedirs(os.path.join(self.dir, folder))
            os.chdir(os.path.join(self.dir, folder))
            talvex.create_shot("*")
            self.assertEqual(talvex.shot_name(), shot)
        os.makedirs(os.path.join(self.dir, "Shot"))
        os.chdir(os.path.join(self.dir, "Shot"))
        with self.assertRaisesRegex(talvex.TalvexError, r"^Error creating shot \*"):
            talvex.create_shot("*")
        self.assertFalse(os.path.exists(os.path.join(self.exp, "Shots", "Shot")))

    def test_hosts_file(self):
        self.assertEqual(len(talvex.write_hosts(7)), 7)
        self.assertEqual(talvex.hosts_file(), os.path.join(talvex.user_folder(), "MPIHosts.txt"))

    def test_messages_and_services(self):
        with self.assertRaisesRegex(talvex.TalvexError, "^hello$"):
            talvex.notify(2, 0, "hello")
        talvex.notify(1, 0, "status text is not a message")
        talvex.sleep(-50)


class FieldsAndScalars(ClientTest):
    def setUp(self):
        super().setUp()
        talvex.create_shot("1")

    def test_fields_on_disk(self):
        talvex.set_field("Comment", "  first test ")
        talvex.set_scalar("Peak", 3.25)
        self.assertEqual(talvex.get_field("Comment"), "first test")
        self.assertEqual(talvex.get_field("Shot"), "1")
        self.assertEqual(talvex.get_field("Missing"), "")
        ini = self.read(self.in_shot("Scalars.ini")).decode()
        self.assertIn("[Fields]\r\n", ini)
        self.assertIn("Peak=3.25", ini)
        self.assertIn("Comment=first test", ini)
        cache = self.read(os.path.join(self.exp, "Shots", "ScalarCache.ini")).decode()
        self.assertIn("[Shot1]\r\n", cache)
        talvex.set_field("Comment", "")
        self.assertNotIn("Comment", self.read(self.in_shot("Scalars.ini")).decode())
        long_text = "x" * 10000
        talvex.set_field("Long", long_text)
        self.assertEqual(talvex.get_field("Long"), long_text)

    def test_expressions(self):
        talvex.set_scalar("a", 1.5)
        talvex.set_scalar("b", 2)
        self.assertEqual(talvex.get_scalar("a*b+1"), 4.0)
        self.assertIsNone(talvex.get_scalar("unknown"))
        self.assertIsNone(talvex.get_scalar("1/0"))
        with self.assertRaisesRegex(talvex.TalvexError, "unmatched parenthesis"):
            talvex.get_scalar("(a+1")
        self.assertEqual(talvex.scalar_text("a"), "1.5")
        self.assertEqual(talvex.fill_template("a={a}, a*b={a*b}!"), "a=1.5, a*b=3!")
        self.assertEqual(talvex.fill_template("{b}" + "-" * 5000), "2" + "-" * 5000)
        with self.assertRaisesRegex(talvex.TalvexError,
                                    "^Error evaluating scalar expression nope$"):
            talvex.fill_template("{a} {nope}")

    def test_scalars_of_data(self):
        talvex.set_waveform("probe", np.array([0, 4, 2], dtype=np.float32))
        self.assertEqual(talvex.get_scalar("probe\\mx"), 4.0)
        talvex.set_scalar("probe\\t3", 0.5)
        self.assertEqual(talvex.get_scalar("probe\\t3"), 0.5)
        self.assertEqual(talvex.get_field("probe\\t3"), "")


if __name__ == "__main__":
    unittest.main()
