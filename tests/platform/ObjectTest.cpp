#include "Platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class Shape : public CObject {
    DECLARE_DYNCREATE(Shape)
public:
    int m_sides = 4;
};

class Triangle : public Shape {
    DECLARE_DYNCREATE(Triangle)
public:
    Triangle() { m_sides = 3; }
};

class Plain : public CObject {
};

IMPLEMENT_DYNCREATE(Shape, CObject)
IMPLEMENT_DYNCREATE(Triangle, Shape)

TEST(RuntimeClass, NamesTheMostDerivedDeclaringClass)
{
    const Triangle triangle;
    const CObject& object = triangle;
    EXPECT_EQ(object.GetRuntimeClass(), RUNTIME_CLASS(Triangle));
    EXPECT_STREQ(object.GetRuntimeClass()->m_lpszClassName, "Triangle");
    EXPECT_STREQ(RUNTIME_CLASS(Shape)->m_lpszClassName, "Shape");

    // A class without a declaration reports its nearest declaring base.
    const Plain plain;
    EXPECT_EQ(plain.GetRuntimeClass(), RUNTIME_CLASS(CObject));
    EXPECT_STREQ(plain.GetRuntimeClass()->m_lpszClassName, "CObject");
}

TEST(RuntimeClass, CreatesObjectsOfTheRecordedClass)
{
    std::unique_ptr<CObject> created(RUNTIME_CLASS(Triangle)->CreateObject());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetRuntimeClass(), RUNTIME_CLASS(Triangle));
    EXPECT_EQ(static_cast<Shape*>(created.get())->m_sides, 3);

    std::unique_ptr<CObject> viaStatic(Shape::CreateObject());
    EXPECT_EQ(viaStatic->GetRuntimeClass(), RUNTIME_CLASS(Shape));

    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

} // namespace
