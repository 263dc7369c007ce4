// The help directory: every link once, each target well formed for its kind, and the mail
// addresses that the 答疑信箱 page shows.
#include "knowledge/help_links.h"

#include <gtest/gtest.h>
#include <set>

using namespace korvane;

TEST(HelpLinks, SixtyThreeLinksEachUnderItsOwnControl) {
    const auto links = HelpLinks();
    ASSERT_EQ(links.size(), 63u);
    std::set<std::string_view> controls;
    int web = 0, mail = 0;
    for (const HelpLink& link : links) {
        SCOPED_TRACE(std::string(link.control));
        EXPECT_TRUE(controls.insert(link.control).second) << "listed twice";
        EXPECT_FALSE(link.caption.empty());
        EXPECT_EQ(link.target.find_first_of(" \t\r\n\""), std::string_view::npos);
        if (link.kind() == LinkKind::Mail) {
            ++mail;
            const auto at = link.target.find('@');
            ASSERT_NE(at, std::string_view::npos);
            EXPECT_NE(link.target.find('.', at), std::string_view::npos);
        } else {
            ++web;
            EXPECT_TRUE(link.target.starts_with("http://") || link.target.starts_with("https://"));
            EXPECT_GT(link.target.size(), std::string_view("http://x.cn").size());
        }
        EXPECT_EQ(link.event == LinkEvent::DoubleClick, link.control == "Label169");
        EXPECT_EQ(&FindHelpLink(link.control), &link);
    }
    EXPECT_EQ(web, 61);
    EXPECT_EQ(mail, 2);
    EXPECT_THROW(FindHelpLink("Label126"), std::out_of_range);
}

TEST(HelpLinks, SearchEngineLinksNameTheirHostAndLeadThere) {
    for (const char* c : {"Label115", "Label160", "Label167"}) {
        const HelpLink& link = FindHelpLink(c);
        EXPECT_TRUE(link.caption.ends_with("www.google.com")) << c;
        EXPECT_EQ(link.target, "http://www.google.com/") << c;
    }
    for (const char* c : {"Label116", "Label161", "Label168"}) {
        const HelpLink& link = FindHelpLink(c);
        EXPECT_TRUE(link.caption.ends_with("www.baidu.com")) << c;
        EXPECT_EQ(link.target, "http://www.baidu.com/") << c;
    }
    EXPECT_EQ(FindHelpLink("Label160").caption, "搜索引擎：www.google.com");
    EXPECT_EQ(FindHelpLink("Label167").caption, "搜索引擎www.google.com");
}

TEST(HelpLinks, MailboxesShownOnTheMailboxPage) {
    // The expert's address is the one the link writes to.
    EXPECT_EQ("mailto:" + ShownMailAddress("Label140"), FindHelpLink("Label140").target);
    // The site of Label133 shows a second mailbox of its own.
    const std::string shown = ShownMailAddress("Label133");
    const std::string_view linked = FindHelpLink("Label133").target;
    EXPECT_NE("mailto:" + shown, linked);
    EXPECT_EQ(shown.substr(shown.find('@')), linked.substr(linked.find('@')));
    EXPECT_THROW(ShownMailAddress("Label115"), std::out_of_range);
}

TEST(HelpLinks, CompanyOfTheRepairPageOwnsTheExpertMailbox) {
    const std::string_view repair = FindHelpLink("Label127").caption;
    const std::string_view company = repair.substr(0, repair.find("："));
    EXPECT_TRUE(repair.ends_with("：常见硬件故障维修方法"));
    EXPECT_EQ(FindHelpLink("Label140").caption, std::string(company) + "专家李明信箱");
}
