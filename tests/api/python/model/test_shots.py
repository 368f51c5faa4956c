"""Shots: naming, selecting, sets, fields, rename, delete and backup."""

import os

import pytest

import talvex
from conftest import read, shot_file


def names(shots):
    return [s.name for s in shots]


def test_star_takes_the_next_number_in_prefix_and_width(exp):
    assert exp.create_shot("*").name == "1"
    assert exp.create_shot("*").name == "2"
    exp.create_shot("Run098")
    exp.create_shot("abc")
    assert exp.create_shot("*", comment="rerun").name == "Run099"
    assert exp["Run099"].comment == "rerun"
    assert exp["Run099"].date  # set on creation


def test_existing_and_bad_names_are_refused(exp):
    exp.create_shot("1234")
    with pytest.raises(talvex.TalvexError, match="already exists"):
        exp.create_shot("1234")
    for bad in ("a/b", "..", "x*", "x?y", ""):
        with pytest.raises(talvex.TalvexError):
            exp.create_shot(bad)
    assert names(exp.shots()) == ["1234"]


def test_missing_shot_is_a_key_error_naming_shot_and_experiment(exp):
    exp.create_shot("12")
    with pytest.raises(KeyError) as e:
        exp["4321"]
    assert "4321" in str(e.value) and exp.path in str(e.value)
    # A pattern is never taken for a name: it selects nothing and deletes nothing.
    for pattern in ("1*", "1?", "1:12"):
        with pytest.raises(KeyError):
            exp[pattern]
        with pytest.raises(KeyError):
            exp.delete(pattern)
    assert "12" in exp and "1*" not in exp
    assert exp["12"].name == "12"


def test_sets_by_wildcard_range_list_and_condition(exp):
    for n in ("Run097", "Run098", "Run100", "Run101", "Run102", "120", "121", "13"):
        exp.create_shot(n)
    assert names(exp.shots("12*")) == ["120", "121"]
    assert names(exp.shots("Run098:Run101")) == ["Run098", "Run100", "Run101"]
    lists = os.path.join(exp.path, "ShotLists")
    os.makedirs(lists, exist_ok=True)
    with open(os.path.join(lists, "good.txt"), "wb") as f:
        f.write(b"121;.\\Shots\r\nRun097;.\\Shots\r\ngone;.\\Shots\r\n")
    assert names(exp.shots(list="good")) == ["121", "Run097"]
    assert exp.shots(list="none") == []
    exp["120"].fields["Bt"] = 2.5
    exp["13"].fields["Bt"] = -1
    assert names(exp.shots(where="Bt")) == ["120"]
    assert names(exp.shots("1*", where="Bt")) == ["120"]
    with pytest.raises(ValueError):
        exp.shots("1*", list="good")


def test_fields_are_a_mapping_of_text(exp):
    shot = exp.create_shot("1")
    fields = shot.fields
    fields["Peak"] = 3.25
    fields["Count"] = 7
    fields["Operator"] = "  Ann  "
    assert fields["Peak"] == "3.25" and fields["Count"] == "7"
    assert fields["Operator"] == "Ann"
    assert set(fields) == {"Date", "Peak", "Count", "Operator"}
    assert "Peak=3.25" in read(shot_file(exp, "1", "Scalars.ini")).decode()
    del fields["Count"]
    assert "Count" not in fields
    with pytest.raises(KeyError):
        fields["Count"]
    with pytest.raises(KeyError):
        del fields["Count"]
    assert fields.get("Missing") is None
    with pytest.raises(talvex.TalvexError):
        fields["Two"] = "line\nbreak"
    with pytest.raises(talvex.TalvexError):
        fields["a=b"] = "x"
    with pytest.raises(TypeError):
        fields["List"] = [1, 2]
    # A fresh object sees what another one wrote.
    assert exp["1"].fields["Peak"] == "3.25"


def test_fields_set_together_land_together(exp):
    shot = exp.create_shot("1")
    shot.fields.update({"Bt": 2.5, "Gas": "He"}, Good=1)
    assert dict(shot.fields) == {"Date": shot.date, "Bt": "2.5", "Gas": "He", "Good": "1"}
    ini = read(shot_file(exp, "1", "Scalars.ini")).decode()
    assert "Bt=2.5\r\n" in ini and "Good=1" in ini
    with pytest.raises(talvex.TalvexError):
        shot.fields.update({"a=b": 1})
    with pytest.raises(talvex.TalvexError):
        shot.fields.update(Note="two\nlines")
    assert "Note" not in shot.fields


def test_rename_delete_and_backup(exp):
    shot = exp.create_shot("1235")
    shot["probe"] = [1.0, 2.0]
    shot.fields["Bt"] = 1
    folder = shot.backup()
    assert os.path.isfile(os.path.join(folder, "probe.wvf"))
    second = shot.backup()
    assert second != folder  # an earlier backup is never overwritten

    exp.create_shot("1237")
    with pytest.raises(talvex.TalvexError):
        exp.rename("1235", "1237")
    renamed = exp.rename(shot, "1236")
    assert renamed.name == "1236" and shot.name == "1236"
    assert names(exp.shots()) == ["1236", "1237"]
    assert renamed.fields["Bt"] == "1"

    exp.delete("1236")
    assert names(exp.shots()) == ["1237"]
    assert not os.path.exists(os.path.join(exp.path, "Shots", "Shot1236"))
    with pytest.raises(KeyError):
        exp.delete("1236")
    assert os.path.isfile(os.path.join(folder, "probe.wvf"))  # the backup stays


def test_a_shot_that_went_away_is_a_key_error(exp):
    shot = exp.create_shot("5")
    exp.create_shot("6")
    exp.delete("5")
    with pytest.raises(KeyError, match="no shot 5"):
        shot.data()
    with pytest.raises(KeyError):
        shot.fields["Date"]
    with pytest.raises(KeyError):
        exp.eval("1", shots=["6", "5"])
    with pytest.raises(KeyError):
        exp.rename("5", "7")


def test_long_texts_come_back_whole(exp):
    shot = exp.create_shot("1")
    long_value = "x" * 10000
    shot.fields.update({"F%d" % i: long_value + str(i) for i in range(10)})  # > 64 KiB listed
    fields = dict(shot.fields)
    assert len(fields) == 11 and fields["F9"] == long_value + "9"
    assert shot.fields["F3"] == long_value + "3"  # longer than the first buffer
