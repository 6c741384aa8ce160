#include "app/save_refusal.h"

bool TellSaveRefusal(HWND owner, SaveProblem problem, UINT icon)
{
    const char* text;
    switch (problem) {
    case SaveProblem::ReadOnly:
        text = "ﾌｧｲﾙは読み取り専用のため上書きできません.\r\n"
               "読み取り専用を解除するか,別の名前で保存してください.";
        break;
    case SaveProblem::HardLinked:
        text = "ﾌｧｲﾙには別の名前(ﾊｰﾄﾞﾘﾝｸ)があるため上書きできません.\r\n"
               "別の名前で保存するか,ほかのﾘﾝｸを削除してください.";
        break;
    case SaveProblem::InUse:
        text = "ﾌｧｲﾙはほかのﾌﾟﾛｸﾞﾗﾑで開かれているため上書きできません.\r\n"
               "そのﾌﾟﾛｸﾞﾗﾑでﾌｧｲﾙを閉じてから,もう一度保存してください.";
        break;
    default:
        return false;
    }
    MessageBoxA(owner, text, "Korin", icon);
    return true;
}
