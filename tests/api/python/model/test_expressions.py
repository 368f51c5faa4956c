"""Expressions over shots: values, no value, and errors with their text and position."""

import numpy as np
import pytest

import talvex


@pytest.fixture
def three(exp):
    for i, name in enumerate(("120", "121", "13")):
        shot = exp.create_shot(name)
        shot["probe"] = np.array([0, i + 1, 0], dtype=np.float32)
        if name != "13":
            shot.fields["Bt"] = 2.5
    return exp


def checker_is_full(e):
    """True once the checker finds unknown trace-parameter codes (it refused only empty text
    before)."""
    try:
        e.check("probe\\zz")
    except talvex.ExpressionError:
        return True
    return False


def test_values_per_shot_and_none_for_no_value(three):
    result = three.eval("probe\\mx")
    assert result == {"120": 1.0, "121": 2.0, "13": 3.0}
    assert list(result) == ["120", "121", "13"]
    assert three.eval("Bt*2", shots="12*") == {"120": 5.0, "121": 5.0}
    assert three.eval("Bt", shots=["13", three["120"]]) == {"13": None, "120": 2.5}
    assert three["13"].eval("Bt") is None
    assert three["13"].eval("missing\\mx") is None
    assert three.eval("probe\\mx", where="Bt").to_numpy().tolist() == [1.0, 2.0]
    with pytest.raises(ValueError):
        three.eval("Bt", shots=["13"], where="Bt")


def test_to_pandas_gives_a_frame_by_shot(three):
    pandas = pytest.importorskip("pandas")
    frame = three.eval("Bt").to_pandas()
    assert isinstance(frame, pandas.DataFrame)
    assert list(frame.index) == ["120", "121", "13"] and frame.index.name == "shot"
    assert frame["Bt"].tolist()[:2] == [2.5, 2.5]
    assert np.isnan(frame["Bt"].iloc[2])


def test_empty_expression_is_an_expression_error_at_offset_zero(three):
    with pytest.raises(talvex.ExpressionError) as e:
        three.eval("")
    assert isinstance(e.value, talvex.TalvexError)
    assert e.value.position == 0
    with pytest.raises(talvex.ExpressionError):
        three["120"].eval("")


def test_malformed_expression_is_never_a_silent_none(three):
    # Whether the checker or the evaluator finds it, the caller gets an error, not None.
    with pytest.raises(talvex.ExpressionError):
        three.eval("(Bt+1")


def test_unknown_code_reports_text_and_position(three):
    if not checker_is_full(three):
        pytest.skip("this library's checker does not yet find unknown codes")
    with pytest.raises(talvex.ExpressionError) as e:
        three.eval("2*probe\\zz")
    assert e.value.text == "zz" or "zz" in e.value.text
    assert e.value.position == "2*probe\\zz".index("zz")


def test_malformed_condition_is_an_expression_error(three):
    with pytest.raises(talvex.ExpressionError):
        three.check("", condition=True)
    if not checker_is_full(three):
        pytest.skip("this library's checker does not yet parse conditions")
    with pytest.raises(talvex.ExpressionError) as e:
        three.shots(where="[Bt] == && probe\\mx > 1")
    assert e.value.position is not None


def test_conditions_with_comparisons(three):
    if not checker_is_full(three):
        pytest.skip("this library's condition parser knows bare expressions only")
    assert [s.name for s in three.shots(where="[Bt] == 2.5 && probe\\mx > 1")] == ["121"]
