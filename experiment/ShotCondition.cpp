// ShotCondition: parsing and three-valued evaluation of shot conditions.
#include "ShotCondition.h"

#include "DataConstants.h"
#include "Experiment.h"

struct ShotCondition::Node {
    DString expr; ///< a bare expression: true when valid and greater than 0
};

ShotCondition::ShotCondition() = default;
ShotCondition::~ShotCondition() = default;
ShotCondition::ShotCondition(ShotCondition const& other) = default;
ShotCondition& ShotCondition::operator=(ShotCondition const& other) = default;

bool ShotCondition::Parse(DString const& source, ExpressionIssue& issue)
{
    return Parse(source, issue, nullptr);
}

bool ShotCondition::Parse(DString const& source, ExpressionIssue& issue, Experiment* experiment)
{
    root.reset();
    text = DString();
    if (!CheckExpression(source, issue, experiment))
        return false;
    auto node = std::make_shared<Node>();
    node->expr = source;
    root = node;
    text = source;
    return true;
}

bool ShotCondition::IsEmpty() const
{
    return !root;
}

DString ShotCondition::Text() const
{
    return text;
}

ShotCondition::Truth ShotCondition::Evaluate(Experiment& experiment) const
{
    if (!root)
        return True;
    float const v = experiment.GetScalarData(root->expr);
    if (v == -DFMax)
        return Unknown;
    return v > 0 ? True : False;
}

void ShotCondition::Filter(Experiment& experiment, DStringArray& shots, DArray<int>& groups,
                           DArray<long long>* dates) const
{
    if (!root)
        return;
    DString const savedName = experiment.ShotName;
    int const savedGroup = experiment.CurrentGroup;
    for (int i = shots.Count() - 1; i >= 0; --i) {
        bool keep = experiment.SetShot(shots[i], groups[i]) && Evaluate(experiment) == True;
        if (keep)
            continue;
        shots.Remove(i, 1);
        groups.Remove(i, 1);
        if (dates && i < dates->Count())
            dates->Remove(i, 1);
    }
    if (savedName.Len() > 0)
        experiment.SetShot(savedName, savedGroup);
}
